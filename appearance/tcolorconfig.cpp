#include "appearance/tcolorconfig.h"

#include "appearance/color_schemes.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace appearance {

namespace {

QGroupBox* makeBox(QWidget* parent, const char* name, const char* heading, const QRect& geometry) {
    auto* box = new QGroupBox(QString::fromLatin1(heading), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

}  // namespace

TColorConfig::TColorConfig(ui::MainWindowLink& main, int windowCode)
    : QDialog(main.dialogParent()),
      main_(main),
      code_(windowCode),
      working_(main.settings().colorSet(windowCode == settings::AllWindows ? settings::MainWindow
                                                                           : windowCode)) {
    setObjectName(QStringLiteral("ColorConfig"));
    setWindowTitle(QStringLiteral("Color Configuration"));
    setFixedSize(440, 340);

    auto* window = makeBox(this, "WindowBox", "Window", {8, 8, 200, 112});
    addColorButton(window, "MainBack", "Background", 22, settings::MainBackground);
    addColorButton(window, "MajorTitles", "Major Titles", 50, settings::MajorTitle);
    addColorButton(window, "MinorTitles", "Minor Titles", 78, settings::MinorTitle);

    auto* edit = makeBox(this, "EditBoxBox", "Edit Box", {216, 8, 216, 84});
    addColorButton(edit, "EditBoxText", "Text", 22, settings::EditText);
    addColorButton(edit, "EditBoxBack", "Background", 50, settings::EditBackground);
    EditBox = new QLineEdit(QStringLiteral("Sample Text"), edit);
    EditBox->setObjectName(QStringLiteral("EditBox"));
    EditBox->setGeometry(104, 36, 104, 24);

    auto* combo = makeBox(this, "ComboBoxBox", "Combo Box", {216, 96, 216, 84});
    addColorButton(combo, "ComboText", "Text", 22, settings::ComboText);
    addColorButton(combo, "ComboBack", "Background", 50, settings::ComboBackground);
    ComboBox = new QComboBox(combo);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ComboBox->setEditable(true);
    ComboBox->setEditText(QStringLiteral("ComboBox"));
    ComboBox->setGeometry(104, 36, 104, 24);

    auto* list = makeBox(this, "ListBoxBox", "List Box", {8, 124, 200, 84});
    addColorButton(list, "ListText", "Text", 22, settings::ListBoxText);
    addColorButton(list, "ListBack", "Background", 50, settings::ListBoxBackground);
    ListBox = new QListWidget(list);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->addItems({QStringLiteral("Sample Text"), QStringLiteral("Sample Text")});
    ListBox->setGeometry(104, 20, 88, 56);

    auto* radio = makeBox(this, "RadioButtonBox", "Radio Button", {216, 184, 216, 84});
    addColorButton(radio, "RadioText", "Text", 22, settings::RadioText);
    addColorButton(radio, "RadioBack", "Background", 50, settings::RadioBackground);
    RadioButton = new QRadioButton(QStringLiteral("Radio Button"), radio);
    RadioButton->setObjectName(QStringLiteral("RadioButton"));
    RadioButton->setGeometry(104, 36, 104, 24);

    auto* check = makeBox(this, "CheckBoxBox", "Check Box", {8, 212, 200, 84});
    addColorButton(check, "CheckText", "Text", 22, settings::CheckText);
    addColorButton(check, "CheckBack", "Background", 50, settings::CheckBackground);
    CheckBox = new QCheckBox(QStringLiteral("Check Box"), check);
    CheckBox->setObjectName(QStringLiteral("CheckBox"));
    CheckBox->setGeometry(104, 36, 88, 24);

    PredefinedLabel = new QLabel(QStringLiteral("Predefined Color Combinations"), this);
    PredefinedLabel->setObjectName(QStringLiteral("PredefinedLabel"));
    PredefinedLabel->setGeometry(216, 272, 216, 18);
    ColorSets = new QComboBox(this);
    ColorSets->setObjectName(QStringLiteral("ColorSets"));
    ColorSets->addItem(QString());
    for (const ColorScheme& scheme : colorSchemes())
        ColorSets->addItem(QString::fromLatin1(scheme.name));
    ColorSets->setGeometry(216, 292, 216, 24);
    connect(ColorSets, &QComboBox::activated, this, &TColorConfig::ColorSetsChange);

    Ok = new QPushButton(QStringLiteral("&Ok"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setGeometry(8, 304, 90, 28);
    Ok->setDefault(true);
    connect(Ok, &QPushButton::clicked, this, &TColorConfig::OkClick);
    Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(108, 304, 90, 28);
    connect(Cancel, &QPushButton::clicked, this, &TColorConfig::CancelClick);

    paintPreview();
}

QPushButton* TColorConfig::addColorButton(QWidget* box, const char* name, const char* caption,
                                          int top, settings::ColorIndex index) {
    auto* button = new QPushButton(QString::fromLatin1(caption), box);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(8, top, 88, 26);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, index] { chooseColor(index); });
    return button;
}

void TColorConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::prepareForm(this, main_);
    // Leave room above the dialog when it sits well below the top.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (y() - screen->geometry().y() > 10)
            move(x(), y() - 10);
    }
    ColorSets->setCurrentIndex(0);
    paintPreview();
}

void TColorConfig::chooseColor(settings::ColorIndex index) {
    const auto chosen = ui::getColor(this, ui::toQColor(working_[index]));
    if (!chosen || !chosen->isValid())
        return;
    working_[index] = ui::fromQColor(*chosen);
    paintPreview();
}

void TColorConfig::ColorSetsChange(int entry) {
    if (entry <= 0)
        return;
    working_ = applyScheme(working_, entry);
    paintPreview();
}

void TColorConfig::OkClick() {
    settings::Settings& s = main_.settings();
    if (code_ == settings::AllWindows) {
        for (int c = 1; c <= settings::kWindowSetCount; ++c)
            s.colorSet(c) = working_;
    } else {
        s.colorSet(code_) = working_;
    }
    accept();
}

void TColorConfig::CancelClick() {
    reject();
}

void TColorConfig::paintPreview() {
    // The dialog, its six box headings, the scheme heading and the samples
    // are painted by the same rule every window uses; the scheme selector is
    // a drop-down list and so takes the combo colours.
    ui::applyWindowColors(this, working_);
}

bool runColorConfig(ui::MainWindowLink& main, int windowCode) {
    if (windowCode < settings::MainWindow || windowCode > settings::AllWindows)
        return false;
    TColorConfig dialog(main, windowCode);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace appearance
