// The application's settings. They live where the desktop keeps settings,
// ~/.config/tevarin/tevarin.conf ($XDG_CONFIG_HOME): organisation and
// application "tevarin", set once at start-up, after which a default
// QSettings object reads and writes there.
//
// Earlier versions kept them under "Local AppWizard-Generated Applications/
// Tevarin.conf"; MigrateOldSettings copies those once, when the new place
// holds nothing yet, and leaves the old file as it is.
//
// What is kept, and by whom:
//   SplitterWnd/Panes_0        the splitter: pane sizes, left pane hidden
//   MainFrame/Geometry         the main window's size, place and state
//   View/TextSize              the page view's zoom
//   View/Language              the interface language ("" follows the system)
//   Search/Method, Search/Scope, Search/Variants   the search options
//   Reading/Volume, Reading/Page                   the page read last
#pragma once

namespace tevarin {

inline constexpr const char* kSettingsOrganization = "tevarin";
inline constexpr const char* kSettingsApplication = "tevarin";
inline constexpr const char* kOldSettingsOrganization = "Local AppWizard-Generated Applications";
inline constexpr const char* kOldSettingsApplication = "Tevarin";

void SetSettingsRoot();
// Copies every value of the old settings file into the new one when the new
// one holds none and the old one holds some. True when it copied.
bool MigrateOldSettings();

}  // namespace tevarin
