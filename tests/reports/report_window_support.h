// Helpers of the report window tests: a main window stand-in whose printer
// is the PDF printer, and a closer that presses OK in the status window
// once its report has run.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "reports/ui/treplayout.h"
#include "reports/ui/treportform.h"
#include "reports/ui/treportpart.h"
#include "tests/reports/engine_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"

namespace testsupport {

class PrinterMainLink : public FakeMainLink {
  public:
    QPrinter* printer() override { return chosen.get(); }
    // As the main window does, from the first book that passes.
    bool beginSearch(std::function<bool(const dbase::Table&)> test) override {
        collection().setRecordFilter(test);
        collection().table().first();
        return FakeMainLink::beginSearch(std::move(test));
    }
    std::unique_ptr<QPrinter> chosen = pdfPrinter();
};

// Presses OK in every status window once its job has ended.
class StatusCloser {
  public:
    StatusCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            auto* form = qobject_cast<reportsui::TReportForm*>(QApplication::activeModalWidget());
            if (form && form->ran())
                form->BitBtn1->click();
        });
        timer_.start(10);
    }

  private:
    QTimer timer_;
};

// The centre of `item` of `row` in the layout window's picture.
inline QPoint layoutItemCentre(const reportsui::TRepLayout& w, int row, int item) {
    for (const reports::PictureCell& cell : w.picture().cells(row))
        if (cell.item == item)
            return cell.rect.center();
    ADD_FAILURE() << "no item " << item << " in row " << row;
    return {};
}

// Clicks `item` of `row` in the layout window and lets `act` fill in the
// "Select Report Part" that opens; returns what its "Selected Part" said.
inline QString clickLayoutItem(reportsui::TRepLayout& w, int row, int item,
                               std::function<void(reportsui::TReportPart&)> act) {
    QString selected;
    closeNextModal(nullptr, [&](QWidget* d) {
        auto* part = qobject_cast<reportsui::TReportPart*>(d);
        if (!part) {
            ADD_FAILURE() << "not Select Report Part: " << d->objectName().toStdString();
            d->close();
            return;
        }
        selected = part->SelPartLabel->text();
        act(*part);
    });
    QTest::mouseClick(&w, Qt::LeftButton, {}, layoutItemCentre(w, row, item));
    return selected;
}

}  // namespace testsupport
