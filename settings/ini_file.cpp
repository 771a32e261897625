#include "settings/ini_file.h"

namespace settings {

namespace {

// Blanks and tabs only: other characters are part of the name or value.
QString trimmed(QStringView s) {
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && (s[start] == u' ' || s[start] == u'\t'))
        ++start;
    while (end > start && (s[end - 1] == u' ' || s[end - 1] == u'\t'))
        --end;
    return s.mid(start, end - start).toString();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

IniFile IniFile::parse(const QString& text) {
    IniFile ini;
    Section* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = trimmed(line);
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            const QString name = trimmed(QStringView(t).mid(1, close - 1));
            current = ini.findSection(name);
            if (!current) {
                ini.sections_.append(Section{name, {}});
                current = &ini.sections_.last();
            }
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (!current || eq <= 0)
            continue;  // keys outside any section are not kept
        const QString key = trimmed(QStringView(t).left(eq));
        if (key.isEmpty())
            continue;
        bool seen = false;
        for (const Entry& e : current->entries)
            seen = seen || sameName(e.key, key);
        if (!seen)
            current->entries.append(Entry{key, trimmed(QStringView(t).mid(eq + 1))});
    }
    return ini;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    for (const Entry& e : s->entries) {
        if (sameName(e.key, key))
            return e.value;
    }
    return std::nullopt;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.append(Section{section, {}});
        s = &sections_.last();
    }
    for (Entry& e : s->entries) {
        if (sameName(e.key, key)) {
            e.value = value;
            return;
        }
    }
    s->entries.append(Entry{key, value});
}

void IniFile::mergeMissingFrom(const IniFile& other) {
    for (const Section& s : other.sections_) {
        if (!findSection(s.name)) {
            sections_.append(Section{s.name, {}});
        }
        for (const Entry& e : s.entries) {
            if (!value(s.name, e.key))
                setValue(s.name, e.key, e.value);
        }
    }
}

QString IniFile::toText() const {
    QString out;
    for (qsizetype i = 0; i < sections_.size(); ++i) {
        if (i > 0)
            out += QStringLiteral("\n");
        out += QLatin1Char('[') + sections_[i].name + QStringLiteral("]\n");
        for (const Entry& e : sections_[i].entries) {
            // A line break cannot be written in this format: left in, it would
            // start a line of its own that reads as another key or section.
            QString value = e.value;
            value.replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += e.key + QLatin1Char('=') + value + QStringLiteral("\n");
        }
    }
    return out;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (Section& s : sections_) {
        if (sameName(s.name, name))
            return &s;
    }
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    for (const Section& s : sections_) {
        if (sameName(s.name, name))
            return &s;
    }
    return nullptr;
}

}  // namespace settings
