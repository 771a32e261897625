#include "ui/messages.h"

#include "ui/printer_setup.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>

#include "ui/font_color_dialog.h"

namespace ui {
namespace {

void box(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox mb(icon, caption, text, QMessageBox::Ok, parent);
    mb.exec();
}

QString runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title,
                      const QString& dir, const QString& filter, const QString& defaultSuffix) {
    QFileDialog dlg(parent, title, dir, filter);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(defaultSuffix);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

// Shows the real dialogs.
class DialogPrompter final : public Prompter {
  public:
    void showError(QWidget* parent, const QString& text) override {
        box(parent, QMessageBox::Critical, QStringLiteral("Error"), text);
    }
    void showRefusal(QWidget* parent, const QString& text) override {
        box(parent, QMessageBox::Warning, QStringLiteral("Error"), text);
    }
    void showNotice(QWidget* parent, const QString& text, const QString& caption) override {
        box(parent, QMessageBox::Information, caption, text);
    }
    void showWarning(QWidget* parent, const QString& text) override {
        box(parent, QMessageBox::Warning, QStringLiteral("Warning"), text);
    }
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override {
        QApplication::beep();
        QMessageBox mb(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                       parent);
        mb.setDefaultButton(QMessageBox::Yes);
        return mb.exec() == QMessageBox::Yes;
    }
    Answer askDefaultNo(QWidget* parent, const QString& caption, const QString& text,
                        bool withCancel) override {
        QApplication::beep();
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel)
            buttons |= QMessageBox::Cancel;
        QMessageBox mb(QMessageBox::Question, caption, text, buttons, parent);
        mb.setDefaultButton(QMessageBox::No);
        mb.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::No);
        switch (mb.exec()) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return withCancel ? Answer::Cancel : Answer::No;
        }
    }
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter, const QString& defaultSuffix) override {
        return runFileDialog(parent, QFileDialog::AcceptOpen, title, dir, filter, defaultSuffix);
    }
    QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter, const QString& defaultSuffix) override {
        return runFileDialog(parent, QFileDialog::AcceptSave, title, dir, filter, defaultSuffix);
    }
    QString getExistingDirectory(QWidget* parent, const QString& title,
                                 const QString& dir) override {
        return QFileDialog::getExistingDirectory(parent, title, dir);
    }
    std::optional<QColor> getColor(QWidget* parent, const QColor& initial) override {
        const QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid())
            return std::nullopt;
        return c;
    }
    std::optional<QFont> getFont(QWidget* parent, const QFont& initial) override {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, parent);
        if (!ok)
            return std::nullopt;
        return f;
    }
    std::optional<FontChoice> getFontAndColor(QWidget* parent, const QFont& initial,
                                              const QColor& color) override {
        FontColorDialog dlg(parent, initial, color);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return FontChoice{dlg.selectedFont(), dlg.selectedColor()};
    }
    bool setupPrinter(QWidget* parent, QPrinter* printer) override {
        PrinterSetupDialog dlg(printer, parent);
        return dlg.exec() == QDialog::Accepted;
    }
};

DialogPrompter& realPrompter() {
    static DialogPrompter p;
    return p;
}

Prompter* current = nullptr;

}  // namespace

void keepDialogStateInMemory() {
    // The toolkit's dialogs store their state in the user's settings folder
    // of the toolkit's settings class, which the program itself never uses.
    // Pointed at a folder that can never be made, they read nothing and
    // write nothing.
    const QString nowhere = QStringLiteral("/dev/null");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
}

void setPrompter(Prompter* p) {
    current = p;
}

Prompter* prompter() {
    return current != nullptr ? current : &realPrompter();
}

void showError(QWidget* parent, const QString& text) {
    prompter()->showError(parent, text);
}
void showRefusal(QWidget* parent, const QString& text) {
    prompter()->showRefusal(parent, text);
}
void showNotice(QWidget* parent, const QString& text, const QString& caption) {
    prompter()->showNotice(parent, text, caption);
}
void showWarning(QWidget* parent, const QString& text) {
    prompter()->showWarning(parent, text);
}
bool askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    return prompter()->askYesNo(parent, caption, text);
}
Answer askDefaultNo(QWidget* parent, const QString& caption, const QString& text, bool withCancel) {
    return prompter()->askDefaultNo(parent, caption, text, withCancel);
}
QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                        const QString& filter, const QString& defaultSuffix) {
    return prompter()->getOpenFileName(parent, title, dir, filter, defaultSuffix);
}
QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                        const QString& filter, const QString& defaultSuffix) {
    return prompter()->getSaveFileName(parent, title, dir, filter, defaultSuffix);
}
QString getExistingDirectory(QWidget* parent, const QString& title, const QString& dir) {
    return prompter()->getExistingDirectory(parent, title, dir);
}
std::optional<QColor> getColor(QWidget* parent, const QColor& initial) {
    return prompter()->getColor(parent, initial);
}
std::optional<QFont> getFont(QWidget* parent, const QFont& initial) {
    return prompter()->getFont(parent, initial);
}
std::optional<FontChoice> getFontAndColor(QWidget* parent, const QFont& initial,
                                          const QColor& color) {
    return prompter()->getFontAndColor(parent, initial, color);
}
bool setupPrinter(QWidget* parent, QPrinter* printer) {
    return prompter()->setupPrinter(parent, printer);
}

void Prompter::showRefusal(QWidget* parent, const QString& text) {
    showError(parent, text);
}

Answer Prompter::askDefaultNo(QWidget* parent, const QString& caption, const QString& text, bool) {
    return askYesNo(parent, caption, text) ? Answer::Yes : Answer::No;
}

std::optional<FontChoice> Prompter::getFontAndColor(QWidget* parent, const QFont& initial,
                                                    const QColor& color) {
    const auto font = getFont(parent, initial);
    if (!font)
        return std::nullopt;
    return FontChoice{*font, color};
}

}  // namespace ui
