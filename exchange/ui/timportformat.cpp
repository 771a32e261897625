#include "exchange/ui/timportformat.h"

#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QRadioButton>

#include "data/open_collection.h"
#include "dbase/error.h"
#include "exchange/delimited_text.h"
#include "exchange/transfer.h"
#include "exchange/ui/form_parts.h"
#include "exchange/ui/tmyimport.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace exchangeui {

TImportFormat::TImportFormat(ui::MainWindowLink& main, QWidget* parent)
    : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("ImportFormat"));
    setWindowTitle(QStringLiteral("Import Format"));
    setModal(true);
    setFixedSize(264, 150);

    MyPanel = named(new QFrame(this), "MyPanel");
    MyPanel->setFrameShape(QFrame::Panel);
    MyPanel->setFrameShadow(QFrame::Sunken);
    MyPanel->setGeometry(12, 10, 240, 72);
    AsciiDelimited =
        named(new QRadioButton(QStringLiteral("Ascii Delimited File"), MyPanel), "AsciiDelimited");
    AsciiDelimited->setGeometry(14, 10, 216, 22);
    DBFFormat = named(new QRadioButton(QStringLiteral("DBase File (DBF)"), MyPanel), "DBFFormat");
    DBFFormat->setGeometry(14, 40, 216, 22);

    FileButton = named(new QPushButton(QStringLiteral("Select &File"), this), "FileButton");
    FileButton->setGeometry(20, 100, 104, 32);
    FileButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(140, 100, 104, 32);

    connect(FileButton, &QPushButton::clicked, this, &TImportFormat::FileButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TImportFormat::CancelButtonClick);
}

void TImportFormat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TImportFormat::FormShow() {
    ui::prepareForm(this, main_);
    if (main_.settings().importFileType == 2)
        DBFFormat->setChecked(true);
    else
        AsciiDelimited->setChecked(true);
    SetColors();
}

void TImportFormat::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

int TImportFormat::fileType() const {
    return DBFFormat->isChecked() && !AsciiDelimited->isChecked() ? 2 : 1;
}

void TImportFormat::done(int result) {
    main_.settings().importFileType = fileType();
    QDialog::done(result);
}

void TImportFormat::CancelButtonClick() {
    reject();
}

void TImportFormat::FileButtonClick() {
    if (fileType() == 2)
        DoDBF();
    else
        DoAscii();
}

namespace {

QString startFolder(ui::MainWindowLink& main) {
    return QFileInfo(main.collection().path()).absolutePath();
}

}  // namespace

void TImportFormat::DoAscii() {
    const QString path = ui::getOpenFileName(
        this, QStringLiteral("Import Data"), startFolder(main_),
        QStringLiteral("Ascii Delimited Text (*.TXT *.txt)"), QStringLiteral("TXT"));
    if (path.isEmpty())
        return;
    exchange::FirstLine first;
    try {
        first = exchange::readFirstLine(path);
    } catch (const exchange::FileError& e) {
        ui::showError(this, QString::fromStdString(e.what()));
        return;
    }
    if (first.code != 0) {
        ui::showError(this, exchange::firstLineMessage(first.code));
        return;
    }
    TMyImport form(main_, TMyImport::Source::Text, path, first.names, this);
    form.exec();
    // Closing the mapping form ends the import command.
    accept();
}

void TImportFormat::DoDBF() {
    const QString path =
        ui::getOpenFileName(this, QStringLiteral("Import Data"), startFolder(main_),
                            QStringLiteral("DBase  (*.DBF *.dbf)"), QStringLiteral("DBF"));
    if (path.isEmpty())
        return;
    if (!exchangeui::hasDBaseExtension(path)) {
        ui::showError(this, QStringLiteral("Invalid file type selected."));
        return;
    }
    QStringList names;
    try {
        names = exchange::dbaseFieldNames(path);
    } catch (const dbase::Error& e) {
        ui::showError(this, QString::fromStdString(e.what()));
        return;
    }
    TMyImport form(main_, TMyImport::Source::DBase, path, names, this);
    form.exec();
    accept();
}

}  // namespace exchangeui
