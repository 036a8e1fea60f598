#pragma once

#include <string>

class QWidget;

namespace shell {

class RandomSource;
class SkinLayer;
class WebBrowser;

inline constexpr const char* kProductName = "Tesselby";
inline constexpr const char* kHomePage = "https://quenmark.example/tesselby";
inline constexpr const char* kContactPage = "https://quenmark.example/contact";
inline constexpr const char* kHandCursorFile = "HAND-M.CUR";
inline constexpr const char* kSkinFile = "x/o.cjs";

/// The application title for a product name: drop the last blank and what follows it,
/// at least once and again while the text is longer than 40 characters. A name without
/// a blank is its own title.
std::string ApplicationTitleFor(const std::string& productName);

/// True when the file's last-modified time can be read; never throws.
bool FileExists(const std::string& path);
/// True for an ordinary file (not a folder, not a hidden file).
bool OrdinaryFileExists(const std::string& path);

/// The folder of the executable.
std::string ProgramFolder();
/// folder + "/" + name.
std::string InProgramFolder(const std::string& folder, const std::string& name);

/// Gives the window and its option buttons, check boxes, frames and labels the system
/// button-face colour; fields, lists and push buttons keep theirs.
void UseSystemColours(QWidget& window);

/// Dresses the connection window with the skin file when it exists in the program folder.
void ApplySkin(QWidget& window, const std::string& programFolder, SkinLayer& skin);

/// About one start in a hundred opens the home page. Returns the number drawn (1..100).
int OpenHomePageAtRandom(RandomSource& random, WebBrowser& browser, double secondsSinceMidnight);
int OpenHomePageAtRandom(RandomSource& random, WebBrowser& browser);

}  // namespace shell
