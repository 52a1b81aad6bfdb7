// The text of tables, summaries and listings comes from the core as single
// bytes. Those headers were drawn for the code page of fixed-pitch fonts, in
// which byte 0xE9 is the Greek theta (soil water content); everywhere a
// person reads them (windows, printer, PDF) they are decoded here, while text
// files keep the bytes so that their columns stay aligned.
#pragma once

#include <QFont>
#include <QString>
#include <string>

namespace kelmar::gui {

// The single-byte text as it is shown: Latin-1, except 0xE9, which is "θ".
QString CoreText(const std::string& s);

// The fixed-pitch font of the result windows, size 10.
QFont ResultFont();

} // namespace kelmar::gui
