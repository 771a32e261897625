// A settings file in the classic sectioned format: "[Section]" lines, then
// "Key=Value" lines. Section and key names are matched without regard to
// letter case and may contain blanks; blanks around names and values are
// not part of them. The first occurrence of a section or key wins when
// reading. Lines that are neither (comments, junk) are dropped on rewrite.
//
// The program writes its own sections in a fixed order and keeps, after its
// own keys, whatever the file held that it does not know: merge() does that.
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace settings {

class IniFile {
  public:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };

    static IniFile parse(const QString& text);

    // The value of `key` in `section`, or nothing when either is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Sets the value, adding the section at the end and the key at the end
    // of its section when they are new.
    void setValue(const QString& section, const QString& key, const QString& value);

    // Adds every key of `other` that this file lacks, section by section,
    // in `other`'s order.
    void mergeMissingFrom(const IniFile& other);

    const QList<Section>& sections() const { return sections_; }

    // The text of the file, one "\n" after each line. A line break inside a
    // value is written as a blank, so no value can add keys or sections.
    QString toText() const;

  private:
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;

    QList<Section> sections_;
};

}  // namespace settings
