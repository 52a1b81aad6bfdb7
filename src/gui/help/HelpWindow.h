// The help window: the user guide (Markdown pages in the help directory)
// shown with links, sections, Back/Forward, Contents and a search over the
// pages' titles and text.
#pragma once

#include <QList>
#include <QTextBrowser>

#include "widgets/IniForm.h"

class QLineEdit;
class QListWidget;
class QSplitter;
class QToolButton;

namespace kelmar::gui {

// A browser of the guide's pages. Markdown is turned into a document whose
// headings carry anchors, so links to "page.md#section" land on the section
// whichever way the page is reached (link, Back, Forward, Reload).
class HelpBrowser : public QTextBrowser {
  Q_OBJECT
public:
  explicit HelpBrowser(QWidget* parent = nullptr);
  QVariant loadResource(int type, const QUrl& name) override;

protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
};

// One section of a page: what the search looks through and offers.
struct HelpSection {
  QString page;      // file name
  QString anchor;    // empty: the top of the page
  QString pageTitle; // the page's first heading
  QString title;     // the section's heading
  QString text;      // heading and body, as plain text
};

// The sections of every page in a directory.
QList<HelpSection> ReadHelpSections(const QString& dir);
// The sections that hold every word of the query (case-insensitive); those
// whose heading holds them all come first, the rest in page order.
QList<HelpSection> SearchHelp(const QList<HelpSection>& sections, const QString& query);

class THelpWindow : public TIniForm {
  Q_OBJECT
public:
  explicit THelpWindow(const QString& dir, QWidget* parent = nullptr);

  const QString& directory() const { return dir_; }
  // True when the directory holds the guide (its contents page).
  bool available() const;

  // Show the page (and section) of a help context.
  void showContext(int context);
  void showPage(const QString& page, const QString& anchor = {});
  // Shows the search results of a query and puts the focus in the search box.
  void search(const QString& query);

  QString currentPage() const;
  QString currentAnchor() const;
  HelpBrowser* browser() const { return browser_; }
  QLineEdit* searchBox() const { return searchBox_; }
  QListWidget* results() const { return results_; }

  int HelpContext() const override;
  QString WindowKey() const override { return QStringLiteral("THelpWindow"); }

private:
  void openResult(int row);

  QString dir_;
  QList<HelpSection> sections_; // read on the first search
  bool sectionsRead_ = false;
  QList<HelpSection> found_;
  HelpBrowser* browser_;
  QLineEdit* searchBox_;
  QListWidget* results_;
  QSplitter* split_;
};

} // namespace kelmar::gui
