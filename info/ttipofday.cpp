#include "info/ttipofday.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"

namespace info {

namespace {

// The picture beside the heading: a lit bulb.
QPixmap bulb() {
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 90, 0), 1.5));
    painter.setBrush(QColor(255, 220, 60));
    painter.drawEllipse(QRectF(6, 2, 20, 20));
    painter.setBrush(QColor(150, 150, 150));
    painter.drawRect(QRectF(11, 22, 10, 7));
    return p;
}

}  // namespace

TTipOfDay::TTipOfDay(ui::MainWindowLink& main, const TipCycle::Draw& draw)
    : QDialog(main.dialogParent()),
      main_(main),
      draw_(draw),
      tips_(draw ? TipCycle(draw) : TipCycle()) {
    setObjectName(QStringLiteral("TipOfDay"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setFixedSize(400, 200);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 12, 32, 32);
    Image1->setPixmap(bulb());

    Label1 = new QLabel(QStringLiteral("Did you know?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(60, 16, 300, 26);

    TipComment = new QLabel(this);
    TipComment->setObjectName(QStringLiteral("TipComment"));
    TipComment->setGeometry(60, 50, 324, 90);
    TipComment->setWordWrap(true);
    TipComment->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ShowTips = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
    ShowTips->setObjectName(QStringLiteral("ShowTips"));
    ShowTips->setGeometry(16, 160, 180, 24);

    NextTipButton = new QPushButton(QStringLiteral("&Next Tip"), this);
    NextTipButton->setObjectName(QStringLiteral("NextTipButton"));
    NextTipButton->setGeometry(204, 158, 88, 28);
    connect(NextTipButton, &QPushButton::clicked, this, &TTipOfDay::NextTipButtonClick);

    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(300, 158, 88, 28);
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    showTip();
}

void TTipOfDay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TTipOfDay::FormShow() {
    ui::prepareForm(this, main_);
    // The heading stays bold whatever the label font.
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    ShowTips->setChecked(main_.settings().showTips);
    // Each showing starts on a tip of its own.
    tips_ = draw_ ? TipCycle(draw_) : TipCycle();
    showTip();
}

void TTipOfDay::showTip() {
    TipComment->setText(tips_.text());
}

void TTipOfDay::NextTipButtonClick() {
    tips_.next();
    showTip();
}

void TTipOfDay::done(int result) {
    if (!closed_)
        FormClose();
    QDialog::done(result);
}

void TTipOfDay::FormClose() {
    closed_ = true;
    main_.settings().showTips = ShowTips->isChecked();
}

void runTipOfDay(ui::MainWindowLink& main) {
    TTipOfDay window(main);
    window.exec();
}

void registerTipsCommand(ui::MainWindowLink& main) {
    main.setHandler(ui::Command::Tips, [](ui::MainWindowLink& link, int) { runTipOfDay(link); });
}

}  // namespace info
