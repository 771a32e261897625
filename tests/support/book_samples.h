// Sample collections for tests: a new collection file with a few books whose
// values are easy to recognise, and a helper that waits for the next modal
// dialog and closes it (for commands that call exec() themselves).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace testsupport {

// Creates a collection at `path` holding `count` books: Title "Book <i>",
// Author "Author <i mod 3>", YearPub 1990 + i, Cost i.50, PurchDate
// 1996-03-<i+1>, CheckOut "Yes" for even i else "No" (i from 0).
void writeSampleCollection(const QString& path, int count);

// Titles of the collection's books in record order (reads the file afresh).
QStringList titlesOf(const QString& path);
// One field of the first record whose Title is `title`, as stored text.
QString fieldOf(const QString& path, const QString& title, const char* field);

// Arms a timer that, as soon as a modal dialog is active, records its
// objectName in `*seen`, runs `act` on it (default: reject it) and stops.
// Gives up after two seconds.
void closeNextModal(QString* seen, std::function<void(QWidget*)> act = {});
// Stops every catcher still waiting (the program fixtures call it when a
// test ends).
void stopModalCatchers();

}  // namespace testsupport
