#include "tests/support/book_samples.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>

#include "data/collection.h"
#include "dbase/table.h"

namespace testsupport {

void writeSampleCollection(const QString& path, int count) {
    books::createCollection(path);
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    for (int i = 0; i < count; ++i) {
        t.append();
        t.setString(t.fieldIndex("Title"), QStringLiteral("Book %1").arg(i).toStdString());
        t.setString(t.fieldIndex("Author"), QStringLiteral("Author %1").arg(i % 3).toStdString());
        t.setFloat(t.fieldIndex("YearPub"), 1990 + i);
        t.setFloat(t.fieldIndex("Cost"), i + 0.5);
        t.setDate(t.fieldIndex("PurchDate"), dbase::Date{1996, 3, 1 + i % 28});
        t.setString(t.fieldIndex("CheckOut"), i % 2 == 0 ? "Yes" : "No");
        t.post();
    }
    t.close();
}

QStringList titlesOf(const QString& path) {
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    QStringList titles;
    const int title = t.fieldIndex("Title");
    for (t.first(); !t.eof() && !t.isEmpty(); t.next())
        titles << QString::fromStdString(t.asString(title));
    return titles;
}

QString fieldOf(const QString& path, const QString& title, const char* field) {
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.open();
    const int ti = t.fieldIndex("Title");
    const int fi = t.fieldIndex(field);
    for (t.first(); !t.eof() && !t.isEmpty(); t.next())
        if (QString::fromStdString(t.asString(ti)) == title)
            return QString::fromStdString(t.asString(fi));
    return QStringLiteral("<no such book>");
}

namespace {

// The catchers still waiting: a test that ends before its modal came must
// not leave one behind to write into the test's finished stack frame.
QList<QPointer<QTimer>>& pendingCatchers() {
    static QList<QPointer<QTimer>> list;
    return list;
}

}  // namespace

void closeNextModal(QString* seen, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    pendingCatchers().append(timer);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks = 0, seen, act]() mutable {
        QWidget* w = QApplication::activeModalWidget();
        if (w) {
            if (seen)
                *seen = w->objectName();
            if (act)
                act(w);
            else if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            else
                w->close();
        }
        if (w || ++ticks > 400) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void stopModalCatchers() {
    for (const QPointer<QTimer>& t : pendingCatchers())
        if (t) {
            t->stop();
            t->deleteLater();
        }
    pendingCatchers().clear();
}

}  // namespace testsupport
