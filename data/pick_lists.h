// The nine pick lists of the program directory (authors, locations, where
// bought, categories, publishers, ratings, book types, check-out persons,
// conditions), one text file each, one entry a line.
//
// Reading takes UTF-8, or Windows-1252 where the bytes are not UTF-8 (files
// of the earlier program), lines ended by CR LF or LF alone; a line is cut to
// 255 characters and skipped when it is empty or holds only blanks; any other
// line is one entry as it stands, blanks around it kept. A missing file is
// an empty list. Writing replaces the file atomically (written beside it,
// then renamed), UTF-8, one entry a line ended by CR LF.
//
// The lists' own additions (add()) never make a duplicate; what the files or
// the maintenance dialog hold may, and duplicates stay.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace books {

// The list numbers the List Maintenance menu passes.
enum class PickList {
    Author = 1,
    Location = 2,
    Bought = 3,
    Category = 4,
    Publisher = 5,
    Rating = 6,
    BookType = 7,
    CheckOut = 8,
    Condition = 9,
};
inline constexpr int kPickListCount = 9;

class PickLists {
  public:
    // `directory`: the program directory, without a trailing "/".
    explicit PickLists(QString directory = {}) : directory_(std::move(directory)) {}

    void setDirectory(const QString& directory) { directory_ = directory; }
    QString directory() const { return directory_; }

    // The file name of a list ("AUTHOR.LST").
    static QString fileName(PickList list);
    QString filePath(PickList list) const;

    const QStringList& items(PickList list) const { return items_[index(list)]; }
    void setItems(PickList list, const QStringList& items) {
        items_[index(list)] = items;
        unsaved_ = true;
    }
    // True when a list was changed in memory (setItems, add) since the lists
    // were last read or all written.
    bool unsaved() const { return unsaved_; }

    // Reads one list or all nine from their files.
    void load(PickList list);
    void loadAll();
    // Writes one list; false with the reason in `error` when the file cannot
    // be written (the old file is left as it was).
    bool save(PickList list, QString* error = nullptr) const;

    // Writes all nine lists; each that cannot be written is skipped and the
    // others are still written. Empty when all were written, otherwise one
    // line per list not written, naming its file and the reason.
    QString saveAll() const;

    // Adds `text` without the blanks around it at the end of the list,
    // unless it is empty or an entry equals it exactly (letter case and
    // blanks inside count). True when it was added.
    bool add(PickList list, const QString& text);
    static bool addTo(QStringList& items, const QString& text);

    // The entries of a list file's text, as reading keeps them.
    static QStringList parse(const QString& text);

  private:
    static std::size_t index(PickList list) { return static_cast<std::size_t>(list) - 1; }
    QString directory_;
    std::array<QStringList, kPickListCount> items_;
    mutable bool unsaved_ = false;  // cleared by writing, which leaves the lists as they are
};

}  // namespace books
