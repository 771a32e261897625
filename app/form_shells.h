// The three long-lived forms the main window shows: the edit form, the
// report list and the query form. Their subsystems fill them in; until then
// each is a plain dialog with its caption and a Close button, created once
// at program start and shown modally by its command.
#pragma once

#include <QDialog>

class TMyEdit : public QDialog {
    Q_OBJECT
public:
    explicit TMyEdit(QWidget* parent = nullptr);
};

class TMyReport : public QDialog {
    Q_OBJECT
public:
    explicit TMyReport(QWidget* parent = nullptr);
};

class TMySearch : public QDialog {
    Q_OBJECT
public:
    explicit TMySearch(QWidget* parent = nullptr);
};
