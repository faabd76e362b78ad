#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <string_view>

#include "station/window_constants.h"

namespace vesk::qt {

// The font start-up asks for: the named face when it is installed, else the nearest the
// desktop has (its fixed-pitch face for Consolas, its general face for Tahoma), at the
// given height in pixels of its character cell. False only when no font at all can be had.
bool MakeStationFont(const FontRequest& request, QFont* font);

// One of the station's icons from the icon folder of the current directory; an empty icon
// when the file is missing or unreadable.
QIcon LoadStationIcon(StationIcon icon);

// UTF-8 text, with the CR LF line ends of the station's texts as plain line feeds.
QString DisplayText(std::string_view text);

}  // namespace vesk::qt
