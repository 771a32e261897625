// The nine pick lists of the program directory (authors, locations, where
// bought, categories, publishers, ratings, book types, check-out persons,
// conditions), one text file each, one entry a line.
//
// Reading drops a trailing carriage return, cuts a line to 255 characters,
// trims blanks at both ends and skips empty lines; a missing file is an empty
// list. Writing replaces the file atomically, one entry a line.
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
    void setItems(PickList list, const QStringList& items) { items_[index(list)] = items; }

    // Reads one list or all nine from their files.
    void load(PickList list);
    void loadAll();
    // Writes one list; false with the reason in `error` when the file cannot
    // be written (the old file is left as it was).
    bool save(PickList list, QString* error = nullptr) const;

    // The entries of a list file's text, as reading keeps them.
    static QStringList parse(const QString& text);

  private:
    static std::size_t index(PickList list) { return static_cast<std::size_t>(list) - 1; }
    QString directory_;
    std::array<QStringList, kPickListCount> items_;
};

}  // namespace books
