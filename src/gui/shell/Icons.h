// The program's icons, drawn here: the application icon and one small
// picture per speed-bar command, each with a greyed form for when the
// command is disabled.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace kelmar::gui {

QIcon AppIcon();
// A glyph icon: a rounded tile of `colour` with up to three characters.
QIcon GlyphIcon(const QString& glyph, const QColor& colour);
// Adds a clearly greyed disabled form to a (style) icon.
QIcon WithDisabledForm(const QIcon& icon);

} // namespace kelmar::gui
