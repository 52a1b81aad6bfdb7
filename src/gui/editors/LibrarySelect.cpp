#include "editors/LibrarySelect.h"

#include <QFileInfo>

#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "dialogs/UserDialogs.h"
#include "session/OptionsIni.h"
#include "shell/Services.h"

namespace kelmar::gui {

namespace {

struct LibraryTexts {
  const char* key;       // INI key in "Kelmar Options"
  const char* fileTitle; // open dialog title
  const char* filter;    // open dialog filter
  const char* suffix;    // default extension
};

const LibraryTexts& TextsOf(LibraryKind k) {
  static const LibraryTexts t[3] = {
      {"SoilFile", "Select standard soil file", "Soil files (*.SOI)", "SOI"},
      {"CropFile", "Select Standard Crops File", "Crops (*.CRO)", "CRO"},
      {"ApplFile", "Select Standard Applications File", "Applications (*.APP)", "APP"},
  };
  return t[static_cast<int>(k)];
}

std::string& FileRef(ProgramState& st, LibraryKind k) {
  switch (k) {
  case LibraryKind::Soil:
    return st.SoilFile;
  case LibraryKind::Crop:
    return st.CropFile;
  case LibraryKind::Application:
    break;
  }
  return st.ApplFile;
}

void MarkChanged(Services& s) {
  s.ws.state.DocStatus |= kResultsStale;
  s.ws.state.DocStatus &= ~kScenarioSaved;
  if (s.scheduleIdle) s.scheduleIdle();
}

// The index of the chosen entry, or -1 (cancelled, or the library could not
// be read, which has been reported).
int ChooseEntry(Services& s, LibraryKind kind, const QString& caption) {
  const std::string file = FileRef(s.ws.state, kind);
  std::vector<std::string> names;
  try {
    names = LibraryEntryNames(file, kind);
  } catch (const std::exception& e) {
    s.dialogs.inform(BoxType::Error, QString::fromStdString(e.what()));
    return -1;
  }
  QStringList items;
  for (const std::string& n : names) items << QString::fromStdString(n).trimmed();
  const int i = s.dialogs.chooseItem(caption, QString::fromStdString(file), items, 0);
  return i >= 0 && i < items.size() ? i : -1;
}

template <typename Fn> bool Copy(Services& s, Fn&& fn) {
  try {
    if (!fn()) return false;
  } catch (const std::exception& e) {
    s.dialogs.inform(BoxType::Error, QString::fromStdString(e.what()));
    return false;
  }
  MarkChanged(s);
  return true;
}

} // namespace

QString LibraryFileOf(const Services& s, LibraryKind kind) {
  return QString::fromStdString(FileRef(const_cast<ProgramState&>(s.ws.state), kind));
}

bool ChooseLibraryFile(Services& s, LibraryKind kind) {
  const LibraryTexts& t = TextsOf(kind);
  std::string& current = FileRef(s.ws.state, kind);
  const QFileInfo info(QString::fromStdString(current));
  const QString name =
      s.dialogs.openFile({QString::fromLatin1(t.fileTitle), info.absolutePath(), info.fileName(),
                          QString::fromLatin1(t.filter), QString::fromLatin1(t.suffix)});
  if (name.isEmpty()) return false;
  current = ExpandFileName(name.toStdString());
  s.ini.writeString(kKelmarOptionsSection, t.key, current);
  return true;
}

bool SelectSoilFromLibrary(Services& s, int layer) {
  const int i = ChooseEntry(s, LibraryKind::Soil,
                            layer == 1 ? QStringLiteral("Select TopSoil") : QStringLiteral("Select SubSoil"));
  if (i < 0) return false;
  return Copy(s, [&] {
    ReadSoilEntry(s.ws, s.ws.state.SoilFile, i, layer);
    return true;
  });
}

bool AddCropFromLibrary(Services& s) {
  if (s.ws.scenario.CropCount >= kMaxCrops) return false;
  const int i = ChooseEntry(s, LibraryKind::Crop, QStringLiteral("Add Crop"));
  if (i < 0) return false;
  if (!Copy(s, [&] { return kelmar::AddCropFromLibrary(s.ws, s.ws.state.CropFile, i); })) return false;
  s.ws.state.SelCrop = s.ws.scenario.CropCount;
  return true;
}

bool AddApplicationFromLibrary(Services& s) {
  if (s.ws.scenario.ApplCount >= kMaxAppls) return false;
  const int i = ChooseEntry(s, LibraryKind::Application, QStringLiteral("Add Application"));
  if (i < 0) return false;
  if (!Copy(s, [&] { return kelmar::AddApplicationFromLibrary(s.ws, s.ws.state.ApplFile, i); })) return false;
  s.ws.state.SelAppl = s.ws.scenario.ApplCount;
  return true;
}

} // namespace kelmar::gui
