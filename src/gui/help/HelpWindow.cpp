#include "help/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "help/HelpTopics.h"

namespace kelmar::gui {

namespace {

bool IsPage(const QUrl& url) {
  return url.isLocalFile() && url.path().endsWith(QStringLiteral(".md"), Qt::CaseInsensitive);
}

QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The page as a document; the headings carry their anchors.
void ReadPage(const QString& path, QTextDocument& doc) {
  doc.setMarkdown(ReadText(path));
  const QStringList anchors = HeadingAnchors(doc);
  int i = 0;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b.blockFormat().headingLevel() == 0) continue;
    const QString anchor = anchors.at(i++);
    if (b.length() <= 1) continue;
    QTextCursor c(b);
    c.setPosition(b.position() + 1, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setAnchor(true);
    f.setAnchorNames({anchor});
    c.mergeCharFormat(f);
  }
}

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenExternalLinks(true);
  setObjectName(QStringLiteral("HelpBrowser"));
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::HtmlResource && IsPage(name)) {
    if (!QFileInfo::exists(name.toLocalFile())) return {};
    QTextDocument doc;
    ReadPage(name.toLocalFile(), doc);
    return doc.toHtml();
  }
  return QTextBrowser::loadResource(type, name);
}

// Pages are handed over as HTML made from their Markdown (see loadResource);
// a link is kept as the full name of the page, so the history knows where
// each entry was.
void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  const QUrl url = source().resolved(name);
  QTextBrowser::doSetSource(url, IsPage(url) ? QTextDocument::HtmlResource : type);
}

QList<HelpSection> ReadHelpSections(const QString& dir) {
  QList<HelpSection> out;
  QDir d(dir);
  QStringList pages = d.entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name);
  // The contents page first, then the other pages by name.
  pages.removeAll(QString::fromLatin1(kHelpContentsPage));
  pages.prepend(QString::fromLatin1(kHelpContentsPage));
  for (const QString& page : pages) {
    if (!d.exists(page)) continue;
    QTextDocument doc;
    doc.setMarkdown(ReadText(d.filePath(page)));
    const QStringList anchors = HeadingAnchors(doc);
    int i = 0;
    QString pageTitle;
    HelpSection cur{page, {}, {}, {}, {}};
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
      const int level = b.blockFormat().headingLevel();
      if (level > 0) {
        const QString anchor = anchors.at(i++);
        if (pageTitle.isEmpty()) {
          pageTitle = b.text();
          cur.title = pageTitle;
        } else if (level <= 3) {
          if (!cur.text.isEmpty()) out << cur;
          cur = HelpSection{page, anchor, {}, b.text(), {}};
        }
      }
      cur.text += b.text() + QLatin1Char('\n');
    }
    if (!cur.text.isEmpty()) out << cur;
    for (HelpSection& s : out)
      if (s.page == page) s.pageTitle = pageTitle;
  }
  return out;
}

QList<HelpSection> SearchHelp(const QList<HelpSection>& sections, const QString& query) {
  const QStringList words = query.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
  QList<HelpSection> inTitle, inText;
  if (words.isEmpty()) return {};
  const auto holdsAll = [&words](const QString& s) {
    return std::all_of(words.begin(), words.end(),
                       [&s](const QString& w) { return s.contains(w, Qt::CaseInsensitive); });
  };
  for (const HelpSection& s : sections) {
    if (holdsAll(s.title))
      inTitle << s;
    else if (holdsAll(s.text))
      inText << s;
  }
  return inTitle + inText;
}

THelpWindow::THelpWindow(const QString& dir, QWidget* parent) : TIniForm(parent), dir_(dir) {
  setObjectName(QStringLiteral("THelpWindow"));
  setWindowTitle(QStringLiteral("Kelmar Help"));

  auto* contents = new QToolButton(this);
  contents->setText(QStringLiteral("&Contents"));
  contents->setObjectName(QStringLiteral("HelpHome"));
  auto* back = new QToolButton(this);
  back->setText(QStringLiteral("&Back"));
  back->setObjectName(QStringLiteral("HelpBack"));
  back->setEnabled(false);
  auto* forward = new QToolButton(this);
  forward->setText(QStringLiteral("&Forward"));
  forward->setObjectName(QStringLiteral("HelpForward"));
  forward->setEnabled(false);
  searchBox_ = new QLineEdit(this);
  searchBox_->setObjectName(QStringLiteral("HelpSearch"));
  searchBox_->setPlaceholderText(QStringLiteral("Search for words"));
  searchBox_->setClearButtonEnabled(true);
  auto* label = new QLabel(QStringLiteral("&Search:"), this);
  label->setBuddy(searchBox_);

  browser_ = new HelpBrowser(this);
  results_ = new QListWidget(this);
  results_->setObjectName(QStringLiteral("HelpResults"));
  results_->hide();
  split_ = new QSplitter(this);
  split_->addWidget(results_);
  split_->addWidget(browser_);
  split_->setStretchFactor(1, 1);

  auto* bar = new QHBoxLayout;
  bar->addWidget(contents);
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addSpacing(12);
  bar->addWidget(label);
  bar->addWidget(searchBox_, 1);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(4, 4, 4, 4);
  lay->addLayout(bar);
  lay->addWidget(split_, 1);

  connect(contents, &QToolButton::clicked, this,
          [this] { showPage(QString::fromLatin1(kHelpContentsPage)); });
  connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
  connect(searchBox_, &QLineEdit::returnPressed, this, [this] { search(searchBox_->text()); });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* it) { openResult(results_->row(it)); });
  connect(results_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* it) { openResult(results_->row(it)); });
  resize(760, 620);
}

bool THelpWindow::available() const {
  return QFileInfo::exists(QDir(dir_).filePath(QString::fromLatin1(kHelpContentsPage)));
}

void THelpWindow::showContext(int context) {
  const HelpTopic t = HelpTopicFor(context);
  showPage(QString::fromLatin1(t.page), QString::fromLatin1(t.anchor));
}

void THelpWindow::showPage(const QString& page, const QString& anchor) {
  QUrl url = QUrl::fromLocalFile(QDir(dir_).absoluteFilePath(page));
  if (!anchor.isEmpty()) url.setFragment(anchor);
  browser_->setSource(url);
  // A window that has just been shown may still change its size, and the
  // section would slide out of view: it is scrolled to once more then.
  if (!anchor.isEmpty())
    QTimer::singleShot(0, browser_, [b = browser_, anchor] {
      if (b->source().fragment() == anchor) b->scrollToAnchor(anchor);
    });
  // A page shown again at another section: the browser only scrolls.
  if (anchor.isEmpty() && browser_->source() == url) browser_->verticalScrollBar()->setValue(0);
}

void THelpWindow::search(const QString& query) {
  if (!sectionsRead_) {
    sections_ = ReadHelpSections(dir_);
    sectionsRead_ = true;
  }
  searchBox_->setText(query);
  searchBox_->setFocus();
  found_ = SearchHelp(sections_, query);
  results_->clear();
  for (const HelpSection& s : found_)
    results_->addItem(s.anchor.isEmpty() ? s.pageTitle : s.pageTitle + QStringLiteral(" \u203a ") + s.title);
  if (!query.trimmed().isEmpty() && found_.isEmpty()) results_->addItem(QStringLiteral("(nothing found)"));
  results_->setVisible(!query.trimmed().isEmpty());
  if (results_->isVisible() && split_->sizes().value(0) == 0) split_->setSizes({240, 520});
}

void THelpWindow::openResult(int row) {
  if (row < 0 || row >= found_.size()) return;
  showPage(found_.at(row).page, found_.at(row).anchor);
}

QString THelpWindow::currentPage() const { return QFileInfo(browser_->source().toLocalFile()).fileName(); }
QString THelpWindow::currentAnchor() const { return browser_->source().fragment(); }

int THelpWindow::HelpContext() const { return kHelpHowToUse; }

} // namespace kelmar::gui
