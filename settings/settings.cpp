#include "settings/settings.h"

#include "settings/ini_file.h"
#include "settings/paths.h"
#include "settings/text_file.h"

#include <QFileInfo>

namespace settings {

namespace {

// Room for a value when it is read; a longer stored value is cut.
constexpr int kShortRoom = 14;      // integers, Yes/No, colours
constexpr int kGridFontRoom = 149;  // colour and size of the two grid fonts
constexpr int kPathRoom = 249;
constexpr int kNameRoom = 149;  // captions and font names
constexpr int kMaxColor = 0xFFFFFF;

const char* const kColorSections[kWindowSetCount] = {"Main Window Color", "Edit Window Color",
                                                     "Search Window Color", "Report Window Color",
                                                     "Configure Window Color"};

const char* const kColorKeys[kColorCount] = {
    "Main Background", "Major Title",      "Minor Title", "Edit Background",
    "Edit Text",       "Combo Background", "Combo Text",  "List Box Background",
    "List Box Text",   "Radio Background", "Radio Text",  "Check Background",
    "Check Text"};

const char* const kSortKeys[kSortLevels] = {"Primary Sort", "Secondary Sort", "Third Level Sort",
                                            "Fourth Level Sort"};

// A whole decimal number with an optional sign, blanks around it allowed.
std::optional<int> parseWhole(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = (t[0] == u'+' || t[0] == u'-') ? 1 : 0;
    if (i == t.size())
        return std::nullopt;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = t.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// Reads values into the struct: a key that is absent, or an integer that
// is not a whole number, leaves the default the struct already holds.
class Reader {
  public:
    explicit Reader(const IniFile& ini) : ini_(ini) {}

    void integer(const char* section, const QString& key, int& target, int room = kShortRoom) {
        if (const auto v = raw(section, key, room)) {
            if (const auto n = parseWhole(*v))
                target = *n;
        }
    }
    void color(const char* section, const QString& key, int& target, int room = kShortRoom) {
        if (const auto v = raw(section, key, room)) {
            const auto n = parseWhole(*v);
            if (n && *n >= 0 && *n <= kMaxColor)
                target = *n;
        }
    }
    void yesNo(const char* section, const QString& key, bool& target) {
        if (const auto v = raw(section, key, kShortRoom)) {
            target = v->toUpper() == QStringLiteral("YES");
        }
    }
    void text(const char* section, const QString& key, QString& target, int room) {
        if (const auto v = raw(section, key, room))
            target = *v;
    }

  private:
    std::optional<QString> raw(const char* section, const QString& key, int room) const {
        auto v = ini_.value(QString::fromLatin1(section), key);
        if (v && v->size() > room)
            v->truncate(room);
        return v;
    }
    const IniFile& ini_;
};

// Writes values, in the order they are visited.
class Writer {
  public:
    void integer(const char* section, const QString& key, int& value, int = 0) {
        put(section, key, QString::number(value));
    }
    void color(const char* section, const QString& key, int& value, int = 0) {
        put(section, key, QString::number(value));
    }
    void yesNo(const char* section, const QString& key, bool& value) {
        put(section, key, value ? QStringLiteral("Yes") : QStringLiteral("No"));
    }
    void text(const char* section, const QString& key, QString& value, int) {
        put(section, key, value);
    }
    IniFile ini;

  private:
    void put(const char* section, const QString& key, const QString& value) {
        ini.setValue(QString::fromLatin1(section), key, value);
    }
};

QString key(const char* k) {
    return QString::fromLatin1(k);
}

template <typename V>
void visitGridFont(V& v, const char* section, FontKeys& f) {
    v.color(section, key("Color"), f.color, kGridFontRoom);
    v.text(section, key("Font Name"), f.name, kNameRoom);
    v.integer(section, key("Size"), f.size, kGridFontRoom);
    v.yesNo(section, key("Bold"), f.bold);
    v.yesNo(section, key("Italic"), f.italic);
    v.yesNo(section, key("Underline"), f.underline);
    v.yesNo(section, key("Strikeout"), f.strikeout);
}

template <typename V>
void visitUserFont(V& v, const char* section, FontKeys& f) {
    v.text(section, key("Font Name"), f.name, kNameRoom);
    v.yesNo(section, key("Bold"), f.bold);
    v.yesNo(section, key("Italic"), f.italic);
}

QString fieldKey(int number) {
    const auto name = fields::bookField(number).name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Every section and key, in the order the file is read and written.
template <typename V>
void visitAll(V& v, Settings& s) {
    const char* misc = "Misc";
    v.integer(misc, key("Button Bar"), s.buttonBar);
    v.integer(misc, key("Main Window Left"), s.mainWindowLeft);
    v.integer(misc, key("Main Window Top"), s.mainWindowTop);
    v.integer(misc, key("Main Window Width"), s.mainWindowWidth);
    v.integer(misc, key("Main Window Height"), s.mainWindowHeight);
    v.text(misc, key("Last Import File"), s.lastImportFile, kPathRoom);
    v.text(misc, key("Last Export File"), s.lastExportFile, kPathRoom);
    v.text(misc, key("Last Database"), s.lastDatabase, kPathRoom);
    for (int i = 0; i < kLastFileCount; ++i) {
        v.text(misc, QStringLiteral("Last File %1").arg(i + 1),
               s.lastFiles.at(static_cast<std::size_t>(i)), kPathRoom);
    }
    v.yesNo(misc, key("Show Tips"), s.showTips);
    v.integer(misc, key("Window Size"), s.windowSize);
    v.integer(misc, key("Date Format"), s.dateFormat);
    v.integer(misc, key("Currency Format"), s.currencyFormat);
    v.integer(misc, key("Numeric Format"), s.numericFormat);

    for (int n = 1; n <= fields::kFieldCount; ++n) {
        v.text("Field Names", fieldKey(n), s.fieldNames[n], kNameRoom);
        if (s.fieldNames[n].size() > kCaptionLength)
            s.fieldNames[n].truncate(kCaptionLength);
    }
    for (int n = 1; n <= fields::kFieldCount; ++n)
        v.yesNo("Display Fields", fieldKey(n), s.displayFields[n]);
    for (int n = 1; n <= fields::kFieldCount; ++n)
        v.integer("Field Width", fieldKey(n), s.fieldWidth[n]);
    for (int n = 1; n <= fields::kFieldCount; ++n)
        v.integer("Field Order", fieldKey(n), s.fieldOrder[n]);
    for (int n = 1; n <= fields::kFieldCount; ++n)
        v.yesNo("Export Fields", fieldKey(n), s.exportFields[n]);
    for (int n = 1; n <= fields::kFieldCount; ++n)
        v.integer("Export Order", fieldKey(n), s.exportOrder[n]);

    v.yesNo("Export", key("First Row"), s.exportFirstRow);
    v.integer("Export", key("File Type"), s.exportFileType);
    v.yesNo("Import", key("Skip First"), s.importSkipFirst);
    v.integer("Import", key("File Type"), s.importFileType);
    for (int i = 0; i < kSortLevels; ++i) {
        v.integer("Sort Order", key(kSortKeys[i]), s.sortOrder.at(static_cast<std::size_t>(i)));
    }

    for (int set = 0; set < kWindowSetCount; ++set) {
        WindowColors& colors = s.windowColors.at(static_cast<std::size_t>(set));
        for (int c = 0; c < kColorCount; ++c)
            v.color(kColorSections[set], key(kColorKeys[c]), colors[c]);
    }

    v.yesNo("Grid Title", key("Show Titles"), s.gridShowTitles);
    v.color("Grid Title", key("Background Color"), s.gridTitleColor);
    v.integer("Grid Title", key("Alignment"), s.gridTitleAlignment);
    visitGridFont(v, "Grid Title Font", s.gridTitleFont);
    visitGridFont(v, "Grid Font", s.gridFont);
    v.color("Grid Options", key("Cell Color"), s.gridCellColor);
    v.yesNo("Grid Options", key("Column Lines"), s.gridColumnLines);
    v.yesNo("Grid Options", key("Row Lines"), s.gridRowLines);
    v.yesNo("Grid Options", key("Row Indicator"), s.gridRowIndicator);
    v.yesNo("Grid Options", key("Field Editing"), s.gridFieldEditing);
    visitUserFont(v, "Edit Font", s.editFont);
    visitUserFont(v, "Label Font", s.labelFont);
    visitUserFont(v, "Button Font", s.buttonFont);

    const char* reports = "Reports";
    v.integer(reports, key("Last Report"), s.lastReport);
    v.integer(reports, key("Report Viewing Window Left"), s.reportViewLeft);
    v.integer(reports, key("Report Viewing Window Top"), s.reportViewTop);
    v.integer(reports, key("Report Viewing Window Width"), s.reportViewWidth);
    v.integer(reports, key("Report Viewing Window Height"), s.reportViewHeight);
}

}  // namespace

Settings::Settings()
    : lastImportFile(settings::startDirectory()), lastExportFile(settings::startDirectory()) {
    for (int n = 1; n <= fields::kFieldCount; ++n) {
        const auto caption = fields::bookField(n).caption;
        fieldNames[n] = QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
        displayFields[n] = true;
        fieldWidth[n] = 15;
        fieldOrder[n] = n;
        exportFields[n] = true;
        exportOrder[n] = n;
    }
    gridTitleFont.size = 12;
}

WindowColors& Settings::colorSet(int code) {
    return windowColors.at(static_cast<std::size_t>(code - 1));
}

const WindowColors& Settings::colorSet(int code) const {
    return windowColors.at(static_cast<std::size_t>(code - 1));
}

bool Settings::load(const QString& path) {
    const Formats kept = formats;
    *this = Settings();
    formats = kept;
    if (!QFileInfo::exists(path))
        return true;
    QString text;
    if (!settings::readText(path, &text))
        return false;
    auto ini = std::make_shared<IniFile>(IniFile::parse(text));
    Reader reader(*ini);
    visitAll(reader, *this);
    loaded_ = std::move(ini);
    return true;
}

bool Settings::save(const QString& path, QString* error) const {
    Settings copy = *this;  // the visitor takes references; saving changes nothing
    Writer writer;
    visitAll(writer, copy);
    if (loaded_)
        writer.ini.mergeMissingFrom(*loaded_);
    QString reason;
    if (settings::writeAtomically(path, writer.ini.toText().toUtf8(), &reason))
        return true;
    // Shown to the user as it is, so it names the file.
    if (error)
        *error = QStringLiteral("The settings could not be written to %1: %2").arg(path, reason);
    return false;
}

Settings& settings() {
    static Settings instance;
    return instance;
}

bool loadSettings() {
    return settings().load(settings::settingsFile());
}

bool saveSettings(QString* error) {
    return settings().save(settings::settingsFile(), error);
}

}  // namespace settings
