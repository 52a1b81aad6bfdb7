#include "views/TextView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "views/CoreText.h"

namespace kelmar::gui {

TTextView::TTextView(Workspace& ws, QWidget* parent) : TIniForm(parent), ws_(ws) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  header_ = new QLabel;
  header_->setObjectName(QStringLiteral("header"));
  header_->setTextFormat(Qt::PlainText);
  header_->setFrameShape(QFrame::Panel);
  header_->setFrameShadow(QFrame::Raised);
  // The header sits in a scroll area of its own that follows the lines'
  // horizontal scroll bar: a window narrower than its text still scrolls
  // instead of forcing its minimum width on the frame.
  headerArea_ = new QScrollArea(this);
  headerArea_->setWidget(header_);
  headerArea_->setWidgetResizable(false);
  headerArea_->setFrameShape(QFrame::NoFrame);
  headerArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headerArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headerArea_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lines"));
  list_->setUniformItemSizes(true);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setWordWrap(false);
  list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setMinimumSize(40, 40);
  connect(list_->horizontalScrollBar(), &QScrollBar::valueChanged, headerArea_->horizontalScrollBar(),
          &QScrollBar::setValue);
  layout->addWidget(headerArea_);
  layout->addWidget(list_, 1);

  auto* copy = new QAction(QStringLiteral("&Copy"), this);
  copy->setObjectName(QStringLiteral("Copy"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &TTextView::copySelection);
  auto* all = new QAction(QStringLiteral("Select &All"), this);
  all->setObjectName(QStringLiteral("SelectAll"));
  // No key of its own: Ctrl+A is the frame's Save As.
  connect(all, &QAction::triggered, list_, &QListWidget::selectAll);
  addAction(copy);
  addAction(all);
  setTextFont(ResultFont());
}

void TTextView::setTextFont(const QFont& font) {
  header_->setFont(font);
  list_->setFont(font);
  header_->adjustSize();
  headerArea_->setFixedHeight(header_->sizeHint().height());
  resize(fittingSize(25));
}

QSize TTextView::fittingSize(int rows) const {
  const QFontMetrics fm(list_->font());
  int chars = 0;
  for (const QString& l : header_->text().split(QLatin1Char('\n'))) chars = std::max(chars, int(l.size()));
  for (int i = 0; i < list_->count(); ++i) chars = std::max(chars, int(list_->item(i)->text().size()));
  chars = std::max(chars, 30);
  const int scroll = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int frame = 2 * list_->frameWidth();
  // Item margins of the list view: a few pixels either side of the text.
  const int width = fm.horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + scroll + frame;
  const int headerHeight = header_->text().isEmpty() ? 0 : header_->sizeHint().height();
  const int height = headerHeight + rows * (fm.lineSpacing() + 2) + frame + scroll;
  return {width, height};
}

void TTextView::Refresh() {
  setWindowTitle(title());
  const QString h = header();
  header_->setText(h);
  header_->adjustSize();
  headerArea_->setFixedHeight(h.isEmpty() ? 0 : header_->sizeHint().height());
  headerArea_->setVisible(!h.isEmpty());
  list_->setUpdatesEnabled(false);
  list_->clear();
  list_->addItems(content());
  list_->setUpdatesEnabled(true);
}

QString TTextView::headerText() const { return header_->text(); }

QStringList TTextView::lines() const {
  QStringList out;
  for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
  return out;
}

QString TTextView::selectedText() const {
  QStringList out;
  if (!header_->text().isEmpty()) out << header_->text();
  const bool any = !list_->selectedItems().isEmpty();
  for (int i = 0; i < list_->count(); ++i)
    if (!any || list_->item(i)->isSelected()) out << list_->item(i)->text();
  return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TTextView::copySelection() const { QApplication::clipboard()->setText(selectedText()); }

void TTextView::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  menu.addActions(actions());
  menu.exec(e->globalPos());
}

} // namespace kelmar::gui
