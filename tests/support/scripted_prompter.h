// A strict scripted stand-in for the program's dialogs, for tests.
//
// Constructing a ScriptedPrompter installs it (ui::setPrompter); destroying
// it restores the real dialogs. Tests queue the prompts they expect, in
// order, each with its answer. A prompt that was not expected, or that
// differs from the next expected one, fails the test (ADD_FAILURE) and is
// answered "cancel"; an expectation still queued when the prompter is
// destroyed fails the test too. It never blocks and never shows a window.
#pragma once

#include "ui/messages.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

namespace testsupport {

class ScriptedPrompter final : public ui::Prompter {
  public:
    // What kind of prompt was asked or is expected.
    enum class Kind {
        Error,
        Notice,
        Warning,
        Question,
        Choice,
        OpenFile,
        SaveFile,
        Directory,
        Color,
        Font,
        Printer
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

    void expectError(const QString& text);
    // A notice with its caption ("Notice" unless another is given).
    void expectNotice(const QString& text, const QString& caption = QStringLiteral("Notice"));
    void expectWarning(const QString& text);
    void expectQuestion(const QString& caption, const QString& text, bool answer);
    // A question whose default is No (askDefaultNo), with or without Cancel.
    void expectChoice(const QString& caption, const QString& text, ui::Answer answer,
                      bool withCancel = true);
    // File and folder answers: an empty string means the user cancelled.
    // A non-empty `title` must match the dialog's title.
    void expectOpenFile(const QString& answer, const QString& title = {});
    void expectSaveFile(const QString& answer, const QString& title = {});
    void expectDirectory(const QString& answer, const QString& title = {});
    void expectColor(std::optional<QColor> answer);
    // Answers getFont, or getFontAndColor with `color` (its colour kept as
    // it was when none is given).
    void expectFont(std::optional<QFont> answer, std::optional<QColor> color = std::nullopt);
    void expectPrinterSetup(bool answer);

    // Expectations not yet consumed.
    int pending() const { return static_cast<int>(queue_.size()); }
    // A line per prompt asked so far ("Error: text", "Question Confirm: text",
    // "OpenFile title | dir | filter | suffix", ...), for checks and messages.
    const QStringList& asked() const { return asked_; }

    void showError(QWidget* parent, const QString& text) override;
    // Answers an expectError; asked() says "Error (warning icon): text".
    void showRefusal(QWidget* parent, const QString& text) override;
    void showNotice(QWidget* parent, const QString& text, const QString& caption) override;
    void showWarning(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    ui::Answer askDefaultNo(QWidget* parent, const QString& caption, const QString& text,
                            bool withCancel) override;
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter, const QString& defaultSuffix) override;
    QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter, const QString& defaultSuffix) override;
    QString getExistingDirectory(QWidget* parent, const QString& title,
                                 const QString& dir) override;
    std::optional<QColor> getColor(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> getFont(QWidget* parent, const QFont& initial) override;
    std::optional<ui::FontChoice> getFontAndColor(QWidget* parent, const QFont& initial,
                                                  const QColor& color) override;
    bool setupPrinter(QWidget* parent, QPrinter* printer) override;

  private:
    struct Expectation {
        Kind kind = Kind::Error;
        QString caption;  // question caption, or the dialog title to check
        QString text;     // message text, or the file/folder answer
        bool answer = false;
        ui::Answer choice = ui::Answer::No;
        bool withCancel = false;
        std::optional<QColor> color;
        std::optional<QFont> font;
    };
    void push(Kind kind, const QString& caption, const QString& text, bool answer = false,
              std::optional<QColor> color = std::nullopt, std::optional<QFont> font = std::nullopt);
    // Pops the next expectation when it is of `kind`; otherwise fails the
    // test with `description` and returns nullopt.
    std::optional<Expectation> take(Kind kind, const QString& description);
    QString fileAnswer(Kind kind, const QString& title, const QString& description);

    std::deque<Expectation> queue_;
    QStringList asked_;
};

}  // namespace testsupport
