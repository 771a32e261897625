// A fresh program for each test: empty program and settings folders (the
// test main points them at a temporary home), a MASTER.DBF with sample books,
// the four forms created as program start creates them, the main window shown.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include "app/program.h"
#include "app/tmain.h"
#include "data/run_state.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "tests/app/main_widgets.h"
#include "tests/support/book_samples.h"
#include "tests/support/scripted_prompter.h"

class MainFixture : public ::testing::Test {
  protected:
    // Books in MASTER.DBF before the window opens; -1 leaves no file at all.
    virtual int sampleBooks() const { return 5; }
    virtual QStringList arguments() const { return {}; }
    // The settings file the program starts with. The default keeps the
    // books in record order (no sort level), so rows are easy to predict.
    virtual QByteArray settingsText() const { return "[Sort Order]\nPrimary Sort=0\n"; }
    // Runs after the forms are created, before the main window is shown.
    virtual void beforeShow() {}

    void SetUp() override {
        QDir(settings::programDirectory()).removeRecursively();
        QFile::remove(settings::settingsFile());
        QDir().mkpath(settings::programDirectory());
        masterPath = settings::programDirectory() + "/MASTER.DBF";
        if (sampleBooks() >= 0)
            testsupport::writeSampleCollection(masterPath, sampleBooks());
        if (!settingsText().isEmpty()) {
            QFile ini(settings::settingsFile());
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(settingsText());
        }
        forms = app::createForms(arguments());
        main = forms.main.get();
        // The tip window that start-up opens would wait for an answer; tests
        // of it register it again in beforeShow().
        main->setHandler(app::TMain::Command::Tips, {});
        beforeShow();
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        testsupport::stopModalCatchers();
        if (main && main->isVisible())
            main->close();
        forms = app::ProgramForms();
        main = nullptr;
    }

    int shownCount() const { return mw::CountLabel(main)->text().toInt(); }

    template <typename T>
    T* child(const char* name) const {
        return main->findChild<T*>(QLatin1String(name));
    }

    QString masterPath;
    app::ProgramForms forms;
    app::TMain* main = nullptr;
};
