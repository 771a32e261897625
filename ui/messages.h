// The one module through which every message box, question, file dialog,
// colour dialog, font dialog and printer dialog of the program goes.
//
// Each free function asks the current Prompter. The default Prompter shows
// the real modal dialogs; tests install a scripted one (tests/support) that
// answers in order and never blocks. An empty string, std::nullopt or false
// means the user cancelled.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QWidget;
class QPrinter;

namespace ui {

// Caption "Error", OK only.
void showError(QWidget* parent, const QString& text);
// Caption "Error" with the warning icon rather than the error icon: a
// request that cannot be carried out as made (nothing has failed).
void showRefusal(QWidget* parent, const QString& text);
// Caption "Notice" unless another is given, OK only.
void showNotice(QWidget* parent, const QString& text,
                const QString& caption = QStringLiteral("Notice"));
// Caption "Warning", OK only.
void showWarning(QWidget* parent, const QString& text);
// Yes/No question with the toolkit's beep; `caption` is "Confirm" or
// "Warning". Returns true on Yes.
bool askYesNo(QWidget* parent, const QString& caption, const QString& text);

// A question whose default answer is No, with the toolkit's beep: Yes and
// No, or Yes, No and Cancel when `withCancel`. Closing the box answers
// Cancel (No when there is no Cancel).
enum class Answer { Yes, No, Cancel };
Answer askDefaultNo(QWidget* parent, const QString& caption, const QString& text, bool withCancel);

// File and folder choosers. `filter` uses the toolkit's form
// ("Tables (*.dbf);;All files (*)"). `defaultSuffix` (no dot) is appended
// to a typed name without an extension. Empty on cancel.
QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                        const QString& filter, const QString& defaultSuffix = {});
QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                        const QString& filter, const QString& defaultSuffix = {});
QString getExistingDirectory(QWidget* parent, const QString& title, const QString& dir);

std::optional<QColor> getColor(QWidget* parent, const QColor& initial);
std::optional<QFont> getFont(QWidget* parent, const QFont& initial);
// The font dialog with a colour among its effects, for fonts that keep a
// colour of their own.
struct FontChoice {
    QFont font;
    QColor color;
};
std::optional<FontChoice> getFontAndColor(QWidget* parent, const QFont& initial,
                                          const QColor& color);

// Printer setup dialog on `printer` (printer, paper, orientation; it prints
// nothing); true when the user accepted and `printer` took the choice.
bool setupPrinter(QWidget* parent, QPrinter* printer);

// Keeps what the toolkit's own dialogs remember (last folders, custom
// colours) in memory for the run: without it they write a settings file of
// their own beside the program's. Program start calls it once.
void keepDialogStateInMemory();

// The seam: one virtual per function above, same meaning and arguments.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // By default showError().
    virtual void showRefusal(QWidget* parent, const QString& text);
    virtual void showNotice(QWidget* parent, const QString& text, const QString& caption) = 0;
    virtual void showWarning(QWidget* parent, const QString& text) = 0;
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // By default askYesNo(), never Cancel.
    virtual Answer askDefaultNo(QWidget* parent, const QString& caption, const QString& text,
                                bool withCancel);
    virtual QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                    const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                                    const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString getExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& dir) = 0;
    virtual std::optional<QColor> getColor(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QFont> getFont(QWidget* parent, const QFont& initial) = 0;
    // By default the plain font dialog, the colour kept as it was.
    virtual std::optional<FontChoice> getFontAndColor(QWidget* parent, const QFont& initial,
                                                      const QColor& color);
    virtual bool setupPrinter(QWidget* parent, QPrinter* printer) = 0;
};

// Installs `p` (not owned; it must outlive its installation). nullptr
// restores the real dialogs.
void setPrompter(Prompter* p);
// The Prompter in use (never null).
Prompter* prompter();

}  // namespace ui
