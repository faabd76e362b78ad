#pragma once

// Fixed names, texts, places, fonts and icons of the station's own windows: what the
// windows draw themselves from, apart from the station that drives them.

#include <array>
#include <optional>

#include "base/error_table.h"
#include "base/window_geometry.h"

namespace vesk {

constexpr const char* kMainWindowClass = "VESK_VideoCapture";
constexpr const char* kUserMessagesClass = "User Messages Class";
constexpr const char* kUserMessagesTitle = "User Messages";
constexpr const char* kApplicationCaption = "VESK Video Capture";
constexpr const char* kSplashText = "VESK Video Capture Initialization...";
constexpr const char* kStandByTitle = "Stand by...";
constexpr const char* kStandByText =
    "VESK Video Capture is unresponsive\r\nduring this operation.\r\n\r\nStand by for "
    "completion...";
constexpr ScreenRect kMainWindowCreatedRect{100, 100, 660, 540};
constexpr ScreenRect kSplashRect{200, 200, 300, 100};
constexpr ScreenRect kStandByRect{300, 500, 350, 150};
constexpr ScreenRect kStandByTextRect{20, 20, 300, 100};

// A font start-up makes, with the warning its failure raises (none: no warning).
enum class FontFace { Tahoma, Consolas };
struct FontRequest {
  int height = 0;
  FontFace face = FontFace::Tahoma;
  std::optional<ErrorCode> failure;
};

// The fonts start-up makes, in creation order, with the warning a failure raises (none for
// the last three).
constexpr std::array<FontRequest, 8> kStartUpFonts = {{
    {18, FontFace::Consolas, ErrorCode::CannotCreateListFont},
    {20, FontFace::Consolas, ErrorCode::CannotCreateListFont},
    {72, FontFace::Tahoma, ErrorCode::CannotCreateCountdownFont},
    {16, FontFace::Consolas, ErrorCode::CannotCreateEventListFont},
    {28, FontFace::Consolas, ErrorCode::CannotCreateHibernationFont},
    {20, FontFace::Tahoma, std::nullopt},
    {18, FontFace::Tahoma, std::nullopt},
    {16, FontFace::Tahoma, std::nullopt},
}};

// The icon files, relative to the station's home folder. A missing file leaves its icon
// empty and is not reported.
enum class StationIcon { LogoLarge, LogoSmall, Folder, FolderClear, Stop, Record };
constexpr std::array<const char*, 6> kStationIconFiles = {
    "VeskVideoIcons/VESK_logo_large.ico", "VeskVideoIcons/VESK_logo_small.ico",
    "VeskVideoIcons/folder32x.ico",       "VeskVideoIcons/folderClear32x.ico",
    "VeskVideoIcons/stop64x.ico",         "VeskVideoIcons/record56x.ico"};

}  // namespace vesk
