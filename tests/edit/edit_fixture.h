// The edit form on a real collection of five sample books in a temporary
// folder, opened as the main window opens it, with helpers to reach its
// controls by name and to read what reached the table.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

#include "data/run_state.h"
#include "edit/ui/tmyedit.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/key_driver.h"

namespace edittest {

class EditForm : public ::testing::Test {
  protected:
    void SetUp() override {
        settings::settings() = settings::Settings();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 5);
        link.collection().openWithSortTag(path);
        link.collection().table().first();
        link.pickLists().setDirectory(dir.path());
        form = std::make_unique<editui::TMyEdit>(link, link.dialogParent());
    }
    void TearDown() override {
        if (form && form->isVisible())
            form->reject();
        form.reset();
    }

    void open(books::EditMode mode) {
        link.runState().editMode = mode;
        form->show();
        testsupport::activate(form.get());
    }

    template <typename W>
    W* child(const char* name) {
        W* w = form->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* line(const char* name) { return child<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return child<QComboBox>(name); }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    int page() { return child<QTabWidget>("MyTabbedNoteBook")->currentIndex(); }
    QString focused() {
        QWidget* w = QApplication::focusWidget();
        if (w && qobject_cast<QComboBox*>(w->parentWidget()))
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    }
    QString stored(const QString& title, const char* field) {
        return testsupport::fieldOf(path, title, field);
    }

    QTemporaryDir dir;
    QString path;
    testsupport::FakeMainLink link;
    std::unique_ptr<editui::TMyEdit> form;
};

}  // namespace edittest
