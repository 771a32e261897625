#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {

const char* kindName(ScriptedPrompter::Kind k) {
    using K = ScriptedPrompter::Kind;
    switch (k) {
        case K::Error:
            return "Error";
        case K::Notice:
            return "Notice";
        case K::Warning:
            return "Warning";
        case K::Question:
            return "Question";
        case K::Choice:
            return "Choice";
        case K::OpenFile:
            return "OpenFile";
        case K::SaveFile:
            return "SaveFile";
        case K::Directory:
            return "Directory";
        case K::Color:
            return "Color";
        case K::Font:
            return "Font";
        case K::Printer:
            return "Printer";
    }
    return "?";
}

}  // namespace

ScriptedPrompter::ScriptedPrompter() {
    ui::setPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter() {
    ui::setPrompter(nullptr);
    for (const auto& e : queue_)
        ADD_FAILURE() << "expected prompt never asked: " << kindName(e.kind) << " "
                      << e.caption.toStdString() << " " << e.text.toStdString();
}

void ScriptedPrompter::push(Kind kind, const QString& caption, const QString& text, bool answer,
                            std::optional<QColor> color, std::optional<QFont> font) {
    Expectation e;
    e.kind = kind;
    e.caption = caption;
    e.text = text;
    e.answer = answer;
    e.color = std::move(color);
    e.font = std::move(font);
    queue_.push_back(std::move(e));
}

void ScriptedPrompter::expectError(const QString& text) {
    push(Kind::Error, {}, text);
}
void ScriptedPrompter::expectNotice(const QString& text, const QString& caption) {
    push(Kind::Notice, caption, text);
}
void ScriptedPrompter::expectWarning(const QString& text) {
    push(Kind::Warning, {}, text);
}
void ScriptedPrompter::expectQuestion(const QString& caption, const QString& text, bool answer) {
    push(Kind::Question, caption, text, answer);
}
void ScriptedPrompter::expectOpenFile(const QString& answer, const QString& title) {
    push(Kind::OpenFile, title, answer);
}
void ScriptedPrompter::expectSaveFile(const QString& answer, const QString& title) {
    push(Kind::SaveFile, title, answer);
}
void ScriptedPrompter::expectDirectory(const QString& answer, const QString& title) {
    push(Kind::Directory, title, answer);
}
void ScriptedPrompter::expectChoice(const QString& caption, const QString& text, ui::Answer answer,
                                    bool withCancel) {
    push(Kind::Choice, caption, text);
    queue_.back().choice = answer;
    queue_.back().withCancel = withCancel;
}
void ScriptedPrompter::expectColor(std::optional<QColor> answer) {
    push(Kind::Color, {}, {}, false, answer);
}
void ScriptedPrompter::expectFont(std::optional<QFont> answer, std::optional<QColor> color) {
    push(Kind::Font, {}, {}, false, std::move(color), answer);
}
void ScriptedPrompter::expectPrinterSetup(bool answer) {
    push(Kind::Printer, {}, {}, answer);
}

std::optional<ScriptedPrompter::Expectation> ScriptedPrompter::take(Kind kind,
                                                                    const QString& description) {
    asked_.push_back(description);
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected prompt: " << description.toStdString();
        return std::nullopt;
    }
    if (queue_.front().kind != kind) {
        ADD_FAILURE() << "prompt " << description.toStdString() << " asked, but "
                      << kindName(queue_.front().kind) << " expected";
        queue_.pop_front();  // consumed, so that one surprise is reported once
        return std::nullopt;
    }
    Expectation e = queue_.front();
    queue_.pop_front();
    return e;
}

void ScriptedPrompter::showError(QWidget*, const QString& text) {
    if (auto e = take(Kind::Error, QStringLiteral("Error: ") + text); e && e->text != text)
        ADD_FAILURE() << "error text \"" << text.toStdString() << "\", expected \""
                      << e->text.toStdString() << "\"";
}
void ScriptedPrompter::showRefusal(QWidget*, const QString& text) {
    if (auto e = take(Kind::Error, QStringLiteral("Error (warning icon): ") + text);
        e && e->text != text)
        ADD_FAILURE() << "error text \"" << text.toStdString() << "\", expected \""
                      << e->text.toStdString() << "\"";
}
void ScriptedPrompter::showNotice(QWidget*, const QString& text, const QString& caption) {
    const QString description = caption == QLatin1String("Notice")
                                    ? QStringLiteral("Notice: ") + text
                                    : QStringLiteral("Notice (%1): %2").arg(caption, text);
    if (auto e = take(Kind::Notice, description); e && (e->text != text || e->caption != caption))
        ADD_FAILURE() << "notice " << caption.toStdString() << ": \"" << text.toStdString()
                      << "\", expected " << e->caption.toStdString() << ": \""
                      << e->text.toStdString() << "\"";
}
void ScriptedPrompter::showWarning(QWidget*, const QString& text) {
    if (auto e = take(Kind::Warning, QStringLiteral("Warning: ") + text); e && e->text != text)
        ADD_FAILURE() << "warning text \"" << text.toStdString() << "\", expected \""
                      << e->text.toStdString() << "\"";
}
ui::Answer ScriptedPrompter::askDefaultNo(QWidget*, const QString& caption, const QString& text,
                                          bool withCancel) {
    const ui::Answer cancel = withCancel ? ui::Answer::Cancel : ui::Answer::No;
    auto e = take(Kind::Choice,
                  QStringLiteral("Choice %1%2: %3")
                      .arg(caption, withCancel ? QStringLiteral(" (Cancel)") : QString(), text));
    if (!e)
        return cancel;
    if (e->caption != caption || e->text != text || e->withCancel != withCancel) {
        ADD_FAILURE() << "choice " << caption.toStdString() << (withCancel ? " (Cancel)" : "")
                      << ": \"" << text.toStdString() << "\", expected " << e->caption.toStdString()
                      << (e->withCancel ? " (Cancel)" : "") << ": \"" << e->text.toStdString()
                      << "\"";
        return cancel;
    }
    return e->choice;
}

bool ScriptedPrompter::askYesNo(QWidget*, const QString& caption, const QString& text) {
    auto e = take(Kind::Question, QStringLiteral("Question %1: %2").arg(caption, text));
    if (!e)
        return false;
    if (e->caption != caption || e->text != text) {
        ADD_FAILURE() << "question " << caption.toStdString() << ": \"" << text.toStdString()
                      << "\", expected " << e->caption.toStdString() << ": \""
                      << e->text.toStdString() << "\"";
        return false;
    }
    return e->answer;
}

QString ScriptedPrompter::fileAnswer(Kind kind, const QString& title, const QString& description) {
    auto e = take(kind, description);
    if (!e)
        return {};
    if (!e->caption.isEmpty() && e->caption != title) {
        ADD_FAILURE() << "dialog title \"" << title.toStdString() << "\", expected \""
                      << e->caption.toStdString() << "\"";
        return {};
    }
    return e->text;
}
QString ScriptedPrompter::getOpenFileName(QWidget*, const QString& title, const QString& dir,
                                          const QString& filter, const QString& defaultSuffix) {
    return fileAnswer(
        Kind::OpenFile, title,
        QStringLiteral("OpenFile %1 | %2 | %3 | %4").arg(title, dir, filter, defaultSuffix));
}
QString ScriptedPrompter::getSaveFileName(QWidget*, const QString& title, const QString& dir,
                                          const QString& filter, const QString& defaultSuffix) {
    return fileAnswer(
        Kind::SaveFile, title,
        QStringLiteral("SaveFile %1 | %2 | %3 | %4").arg(title, dir, filter, defaultSuffix));
}
QString ScriptedPrompter::getExistingDirectory(QWidget*, const QString& title, const QString& dir) {
    return fileAnswer(Kind::Directory, title, QStringLiteral("Directory %1 | %2").arg(title, dir));
}
std::optional<QColor> ScriptedPrompter::getColor(QWidget*, const QColor& initial) {
    auto e = take(Kind::Color, QStringLiteral("Color ") + initial.name());
    return e ? e->color : std::nullopt;
}
std::optional<QFont> ScriptedPrompter::getFont(QWidget*, const QFont& initial) {
    auto e = take(Kind::Font, QStringLiteral("Font ") + initial.toString());
    return e ? e->font : std::nullopt;
}
std::optional<ui::FontChoice> ScriptedPrompter::getFontAndColor(QWidget*, const QFont& initial,
                                                                const QColor& color) {
    auto e = take(Kind::Font, QStringLiteral("Font %1 %2").arg(initial.toString(), color.name()));
    if (!e || !e->font)
        return std::nullopt;
    return ui::FontChoice{*e->font, e->color.value_or(color)};
}
bool ScriptedPrompter::setupPrinter(QWidget*, QPrinter*) {
    auto e = take(Kind::Printer, QStringLiteral("Printer setup"));
    return e && e->answer;
}

}  // namespace testsupport
