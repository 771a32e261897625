// A fresh program for each collection-file test: empty program and settings
// folders, a MASTER.DBF with three books (authors "A c", "A a", "A b" in
// record order), the scripted prompter installed before the forms are
// created (so a start-up prompt is answered by the test), and the forms
// created as program start creates them. The main window is not shown.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <optional>

#include "app/database_commands.h"
#include "app/program.h"
#include "app/tmain.h"
#include "data/run_state.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "tests/data/files_test_util.h"
#include "tests/support/book_samples.h"
#include "tests/support/scripted_prompter.h"

class FilesFixture : public ::testing::Test {
  protected:
    // Runs before the forms are created: write files, settings, expectations.
    virtual void prepare() {}

    void SetUp() override {
        QDir(settings::programDirectory()).removeRecursively();
        QDir(QFileInfo(settings::settingsFile()).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(settings::settingsFile()).absolutePath());
        programDir = settings::programDirectory();
        QDir(programDir).removeRecursively();
        QDir().mkpath(programDir);
        master = programDir + "/MASTER.DBF";
        filestest::writeBooks(master, {"c", "a", "b"});
        settings::settings() = settings::Settings();
        prepare();
        startProgram();
    }

    void TearDown() override {
        testsupport::stopModalCatchers();
        forms.reset();
        main = nullptr;
    }

    void startProgram() {
        forms.emplace(app::createForms({}));
        main = forms->main.get();
    }

    // Ends the run as closing the main window does (settings written) and
    // starts a new one.
    void restartProgram() {
        main->close();
        forms.reset();
        startProgram();
    }

    // Saves the process-wide settings as the file a run starts from.
    static void storeSettings() { ASSERT_TRUE(settings::saveSettings()); }

    QString file(const QString& name) const { return programDir + "/" + name; }

    QStringList shownTitles() {
        QStringList out;
        dbase::Table& t = main->collection().table();
        for (t.first(); !t.isEmpty() && !t.eof(); t.next())
            out << QString::fromStdString(t.asString(t.fieldIndex("Title")));
        return out;
    }

    // The keys of tag NewIndex as an independent reader sees them, or
    // nullopt when that reader is not installed.
    static std::optional<QStringList> keysByOtherReader(const QString& mdx) {
        QProcess probe;
        probe.start("perl", {"-MXBase::Index", "-e", "1"});
        if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
            return std::nullopt;
        QProcess p;
        p.start("perl", {QStringLiteral(TK_INDEX_TOOLS_DIR) + "/mdx_keys.pl", mdx, "NEWINDEX"});
        p.waitForFinished(20000);
        QStringList keys;
        for (const QString& line :
             QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
            keys << line.section('|', 0, 0).trimmed();
        if (p.exitCode() != 0)
            keys << "exit " + QString::number(p.exitCode()) + ": " + p.readAllStandardError();
        return keys;
    }

    testsupport::ScriptedPrompter prompter;
    QString programDir;
    QString master;
    std::optional<app::ProgramForms> forms;
    app::TMain* main = nullptr;
};
