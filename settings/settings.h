// The process-wide settings: every value the program keeps in its settings
// file "TMKBOOK.INI", held in one plain struct with its defaults.
//
// Contract:
// - A default-constructed Settings holds every default (speed buttons, a
//   640 by 480 main window at 0,0, all 36 fields shown in field order with
//   width 15, sort by Author, date code 1, U.S. formats, Arial fonts, grey
//   windows with white edit boxes).
// - load() resets every value to its default, then reads the file once; a
//   missing or unreadable file leaves the defaults. Values that are too long
//   are cut, captions to 20 characters; an integer key whose text is not a
//   whole number keeps its default.
// - save() writes every section and key in a fixed order, followed by the
//   sections and keys of the loaded file that the program does not know, and
//   replaces the file atomically: on failure the old file is left intact and
//   false is returned with a reason.
// - Colours are integers red + 256 * green + 65536 * blue (this layer has no
//   Qt Gui; ui/ turns them into QColor and the font keys into QFont).
#pragma once

#include <QString>

#include <array>
#include <memory>

#include "fields/book_fields.h"
#include "settings/formats.h"

namespace settings {

class IniFile;  // the file as read, for keeping what the program does not know

// An array indexed by book field number 1 to 36.
template <typename T>
class PerField {
  public:
    PerField() = default;
    T& operator[](int number) { return values_.at(static_cast<std::size_t>(number - 1)); }
    const T& operator[](int number) const {
        return values_.at(static_cast<std::size_t>(number - 1));
    }
    friend bool operator==(const PerField&, const PerField&) = default;

  private:
    std::array<T, fields::kFieldCount> values_{};
};

// The thirteen colours of one window colour set, in their fixed order.
enum ColorIndex {
    MainBackground = 0,
    MajorTitle,
    MinorTitle,
    EditBackground,
    EditText,
    ComboBackground,
    ComboText,
    ListBoxBackground,
    ListBoxText,
    RadioBackground,
    RadioText,
    CheckBackground,
    CheckText,
};
inline constexpr int kColorCount = 13;

// Some colour values by name.
inline constexpr int kLightGrey = 12632256;
inline constexpr int kMidGrey = 8553090;
inline constexpr int kWhite = 16777215;
inline constexpr int kBlack = 0;

struct WindowColors {
    std::array<int, kColorCount> colors{kLightGrey, kBlack,     kBlack, kWhite, kBlack,
                                        kWhite,     kBlack,     kWhite, kBlack, kLightGrey,
                                        kBlack,     kLightGrey, kBlack};
    int& operator[](int index) { return colors.at(static_cast<std::size_t>(index)); }
    int operator[](int index) const { return colors.at(static_cast<std::size_t>(index)); }
    friend bool operator==(const WindowColors&, const WindowColors&) = default;
};

// The window kinds, by the codes the colour menu uses (6 = all five sets).
enum WindowCode {
    MainWindow = 1,
    EditWindow = 2,
    SearchWindow = 3,
    ReportWindow = 4,
    ConfigureWindow = 5,
    AllWindows = 6,
};
inline constexpr int kWindowSetCount = 5;

// A font as its keys. The file keeps colour, name, size and four style flags
// for the two grid fonts, and only name, bold and italic for the label, edit
// and button fonts; the rest of those three lives for the run only (the font
// dialog sets every attribute).
struct FontKeys {
    int color = kBlack;
    QString name = QStringLiteral("Arial");
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    friend bool operator==(const FontKeys&, const FontKeys&) = default;
};

inline constexpr int kCaptionLength = 20;
inline constexpr int kLastFileCount = 5;
inline constexpr int kSortLevels = 4;

struct Settings {
    Settings();

    // [Misc]
    int buttonBar = 1;  // 1 speed buttons, 2 lettered buttons, 3 none
    int mainWindowLeft = 0;
    int mainWindowTop = 0;
    int mainWindowWidth = 640;
    int mainWindowHeight = 480;
    QString lastImportFile;  // default: the start directory
    QString lastExportFile;  // default: the start directory
    QString lastDatabase;
    std::array<QString, kLastFileCount> lastFiles;  // most recent first
    bool showTips = true;
    int windowSize = 640;    // screen-size preset 640, 800, 1024 or 1280
    int dateFormat = 1;      // 1 to 12
    int currencyFormat = 1;  // 1 U.S., 2 regional
    int numericFormat = 1;   // 1 U.S., 2 regional

    // Per-field sections, indexed by field number 1 to 36.
    PerField<QString> fieldNames;  // captions, at most 20 characters
    PerField<bool> displayFields;  // shown in the viewer grid
    PerField<int> fieldWidth;      // grid display width
    PerField<int> fieldOrder;      // grid position 1 to 36
    PerField<bool> exportFields;
    PerField<int> exportOrder;

    // [Export], [Import]
    bool exportFirstRow = true;
    int exportFileType = 1;
    bool importSkipFirst = true;
    int importFileType = 1;

    // [Sort Order]: field numbers of the four levels, 0 for none.
    std::array<int, kSortLevels> sortOrder{2, 0, 0, 0};

    // The five window colour sets, index code - 1 (see colorSet()).
    std::array<WindowColors, kWindowSetCount> windowColors;

    // [Grid Title], [Grid Title Font], [Grid Font], [Grid Options]
    bool gridShowTitles = true;
    int gridTitleColor = kMidGrey;
    int gridTitleAlignment = 2;  // 1 left, 2 centre, 3 right
    FontKeys gridTitleFont;      // size 12 by default
    FontKeys gridFont;           // size 10 by default
    int gridCellColor = kLightGrey;
    bool gridColumnLines = true;
    bool gridRowLines = true;
    bool gridRowIndicator = true;
    bool gridFieldEditing = false;

    // [Edit Font], [Label Font], [Button Font]
    FontKeys editFont;
    FontKeys labelFont;
    FontKeys buttonFont;

    // [Reports]
    int lastReport = 0;
    int reportViewLeft = 0;
    int reportViewTop = 0;
    int reportViewWidth = 640;
    int reportViewHeight = 480;

    // The formats in force for the run: the date format applied (from
    // dateFormat at start, then the menu's choice) and the regional values
    // read from the system. Not part of the file: load() keeps them, save()
    // does not write them.
    Formats formats;

    // The colour set of window code 1 to 5.
    WindowColors& colorSet(int code);
    const WindowColors& colorSet(int code) const;

    // Resets every value of the file to its default and reads `path`.
    // Returns false only when the file exists but cannot be read (the
    // defaults then apply).
    bool load(const QString& path);

    // Writes the whole file to `path`, replacing it atomically. On failure
    // returns false, leaves the old file as it was and puts a message that
    // names the file and the reason in `error` when given.
    bool save(const QString& path, QString* error = nullptr) const;

  private:
    // What the last load() read, so that save() can keep unknown keys.
    std::shared_ptr<const IniFile> loaded_;
};

// The process-wide instance.
Settings& settings();

// load()/save() of the process-wide instance on settings::settingsFile().
bool loadSettings();
bool saveSettings(QString* error = nullptr);

}  // namespace settings
