// The files of the four weekly input series: environment (.ENV), irrigation
// (.IRR), measured mineral N (.MIN) and measured organic matter (.OM). Each
// file has six header lines and one row per week; the environment is dense
// (every week of its range), the other three are sparse (only weeks that hold
// data). The values live in the week records 1..520 of the workspace.
#pragma once

#include <string>
#include <string_view>

#include "data/TextFormat.h"
#include "records/Scenario.h"

namespace kelmar {

struct Workspace;

// "Kelmar 400 Envi File", "Kelmar 400 Irri File", "Kelmar 400 Nmin File",
// "Kelmar 430 OMon File".
std::string_view SeriesFileId(SeriesKind kind);
// ".ENV", ".IRR", ".MIN", ".OM".
std::string_view SeriesExtension(SeriesKind kind);
// The column header of the rows, e.g. "  wk    Tc  Rain   ET0".
std::string_view SeriesColumnHeader(SeriesKind kind);

// Reads a series file into the week records. startWeek 1 loads the file (the
// series takes the file's name, path, year and week); startWeek 2..520 inserts
// it at that week and keeps the series header. Loading does not erase the
// series first: weeks the file does not name keep their values.
// Throws InvalidFileId ("Loading " + fileName + "\r" + "Invalid file ID: " + id;
// the series is unchanged), FileError (the rows stored before the error stay,
// and Count/InsertWeek account for them) and std::invalid_argument for a
// startWeek outside 1..520.
void LoadSeries(Workspace& ws, SeriesKind kind, const std::string& fileName, int startWeek);
void LoadSeriesText(Workspace& ws, SeriesKind kind, std::string_view text, const std::string& fileName,
                    int startWeek);

// Recounts the data of a series over weeks 1..520 and stores it as its Count:
// the environment's last week in which Tc, Rain or ET0 is not 0; for the other
// kinds the number of weeks in which either value is greater than 0.
int CountSeriesData(Workspace& ws, SeriesKind kind);

// The information message of a series without data. Organic matter is spelled
// differently by Save ("Organic Matter") and by Save As and printing
// ("Organic matter"); `saveAs` selects the second.
std::string NoSeriesDataMessage(SeriesKind kind, bool saveAs);

// Whether week w of the series would be written as a row: always for the
// environment, for the others only when one of its values is greater than 0.
bool SeriesWeekHasData(const Workspace& ws, SeriesKind kind, int week);

// The text of one row: the week number (week index) and the values of the week.
// Throws std::out_of_range for a week outside 1..520.
std::string RowText(const Workspace& ws, int weekIndex, SeriesKind kind);

// Writes the header and the rows of weeks firstWeek..lastWeek (clamped to
// 1..520) to out; out.listing() gives the printed form with margin, empty lines
// and pages of 58 lines. The environment's last week is lowered to its Count.
// The caller has recounted the data (CountSeriesData) and found some.
void WriteSeries(const Workspace& ws, SeriesKind kind, OutText& out, int firstWeek, int lastWeek);

// Writes weeks rangeFrom..rangeTill as a file of their own: rows numbered from
// 1 at rangeFrom, line 4 with Year + (rangeFrom - 1) div 52 and
// Week + (rangeFrom - 1) mod 52. `fileName` is the path written in line 2 (the
// file being written); when empty, the series' FileName. Memory is unchanged.
void WriteSeriesExtract(const Workspace& ws, SeriesKind kind, OutText& out, int rangeFrom, int rangeTill,
                        const std::string& fileName = {});

// The outcome of a save: either the file was written, or the series holds no
// data and `message` is the information to show (nothing was written).
struct SeriesSaveResult {
  bool written = false;
  std::string message;
};

// Save (saveAs false) or Save As (true): recounts the data; without data
// returns the "Nothing to do." message. Otherwise writes weeks 1..520 to path
// (atomically: a failed write leaves any previous file intact and throws
// FileError) and, once written, the series' FileName becomes the full path.
SeriesSaveResult SaveSeries(Workspace& ws, SeriesKind kind, const std::string& path, bool saveAs);

// "Extract Range": recounts, and writes weeks rangeFrom..rangeTill renumbered
// from 1 to path. The series header in memory (FileName included) is unchanged.
SeriesSaveResult ExtractSeries(Workspace& ws, SeriesKind kind, const std::string& path, int rangeFrom,
                               int rangeTill);

// "&New": the values of weeks 1..520 become 0, Count 0, InsertWeek 1, Name
// "Empty", Year and Week 1, FileName DataDir + "NEW.ENV" (".IRR", ".MIN", ".OM").
void ResetSeries(Workspace& ws, SeriesKind kind);

// Continue with "Move environment on Continue": every input value moves Weeks
// weeks towards the start (weeks beyond the end become 0); each series gets
// the name "Continued", a NEW file name, InsertWeek 1 and its start advanced by
// Weeks. Counts are left as they were.
void MoveSeries(Workspace& ws);

} // namespace kelmar
