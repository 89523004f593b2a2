// The message box: the buttons asked for, the default button, Esc and the
// close button giving Cancel, the "Never show this again!" box writing the
// caller's bool, the icon label's name by kind and the rows of the layout.
#include "sanitizer_hooks.h"
#include "stylemsg.h"
#include "styletitle.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

class StyleMsgTest : public QObject
{
    Q_OBJECT

private slots:
    void buildsTheBox();
    void iconNameByKind();
    void layoutRows();
    void emptyTitleAndText();
    void defaultButtonAndNeverAgain();
    void noDefaultButtonAsked();
    void escAndCloseButtonGiveCancel();
    void neverAgainKeepsTheLastStateWhateverEndsTheBox();
    void confirmGoesOnOnlyOnYes();
    void staticFunctionsPickTheKind();
};

// Runs check on the box once the modal run has it on screen (looking for it
// every 10 ms, for at most 5 s). Whatever check does, a box still open
// afterwards is closed, so that a failed expectation cannot hang the test.
static void whileShown(std::function<void(StyleMsg *)> check)
{
    auto *poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, check] {
        StyleMsg *box = qobject_cast<StyleMsg *>(QApplication::activeModalWidget());
        if (!box && ++*tries < 500)
            return;
        poll->stop();
        poll->deleteLater();
        check(box);
        if (box && box->isVisible())
            box->reject();
    });
    poll->start(10);
}

static QPushButton *buttonOf(StyleMsg *box, QDialogButtonBox::StandardButton which)
{
    auto *buttons = box->findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
    return buttons ? buttons->button(which) : nullptr;
}

void StyleMsgTest::buildsTheBox()
{
    bool flag = true;
    StyleMsg box(StyleMsg::Question, QStringLiteral("Zandrevik"),
                 QStringLiteral("No filter selected, is this your want?"), &flag,
                 QDialogButtonBox::Yes | QDialogButtonBox::No);
    // The caller's bool starts from the unticked box.
    QVERIFY(!flag);
    QVERIFY(box.isModal());
    QCOMPARE(box.result(), QDialogButtonBox::Cancel);
    QCOMPARE(box.titleBar()->title(), QStringLiteral("Zandrevik"));
    QCOMPARE(box.windowTitle(), QStringLiteral("Zandrevik"));
    QCOMPARE(box.titleBar()->findChildren<QPushButton *>().size(), 1);
    QVERIFY(box.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose")));
    QVERIFY(!box.flag());

    QLabel *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("No filter selected, is this your want?"));
    QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QVERIFY(label->openExternalLinks());
    QCOMPARE(int(label->textInteractionFlags()),
             box.style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr,
                                    box.contentWidget()));

    auto *buttons = box.findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
    QVERIFY(buttons);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Yes | QDialogButtonBox::No);
    // Nothing is default until the caller asks for it.
    for (QAbstractButton *b : buttons->buttons())
        QVERIFY(!qobject_cast<QPushButton *>(b)->isDefault());

    QCheckBox *check = box.findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox"));
    QVERIFY(check);
    QCOMPARE(check->text(), QStringLiteral("Never show this again!"));
    QVERIFY(!check->isChecked());
    check->setChecked(true);
    QVERIFY(flag);
    check->setChecked(false);
    QVERIFY(!flag);
    check->setTristate(true);
    flag = true;
    check->setCheckState(Qt::PartiallyChecked);
    QVERIFY(flag);
}

void StyleMsgTest::iconNameByKind()
{
    struct Case {
        int kind;
        const char *name;
    } cases[] = {
        {0, "qt_msgboxex_icon_label"}, {1, "lbMsgIconInfo"},     {2, "lbMsgIconWarning"},
        {3, "lbMsgIconCritical"},      {4, "lbMsgIconQuestion"}, {5, "qt_msgboxex_icon_label"},
    };
    for (const Case &c : cases) {
        StyleMsg box(c.kind, QStringLiteral("Zandrevik"), QStringLiteral("text"), nullptr,
                     QDialogButtonBox::Ok);
        QLabel *icon = box.findChild<QLabel *>(QLatin1String(c.name));
        QVERIFY2(icon, c.name);
        QCOMPARE(icon->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(icon->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(icon->parentWidget(), box.contentWidget());
    }
}

void StyleMsgTest::layoutRows()
{
    struct Place {
        int row, column, rowSpan, columnSpan;
        bool operator==(const Place &o) const
        {
            return row == o.row && column == o.column && rowSpan == o.rowSpan &&
                   columnSpan == o.columnSpan;
        }
    };
    auto place = [](QGridLayout *grid, QWidget *w) {
        Place p{-1, -1, -1, -1};
        const int index = grid->indexOf(w);
        if (index >= 0)
            grid->getItemPosition(index, &p.row, &p.column, &p.rowSpan, &p.columnSpan);
        return p;
    };

    for (bool withCheck : {true, false}) {
        bool flag = false;
        StyleMsg box(withCheck ? StyleMsg::Question : StyleMsg::Critical,
                     QStringLiteral("Zandrevik"), QStringLiteral("text"),
                     withCheck ? &flag : nullptr, QDialogButtonBox::Ok);
        auto *grid = qobject_cast<QGridLayout *>(box.contentWidget()->layout());
        QVERIFY(grid);
        QCOMPARE(grid->sizeConstraint(), QLayout::SetNoConstraint);
        QLabel *icon = box.findChild<QLabel *>(withCheck ? QStringLiteral("lbMsgIconQuestion")
                                                         : QStringLiteral("lbMsgIconCritical"));
        auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        auto *buttons = box.findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
        auto *check = box.findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox"));

        QVERIFY((place(grid, icon) == Place{0, 0, 1, 1}));
        QCOMPARE(grid->itemAt(grid->indexOf(icon))->alignment(), Qt::AlignTop | Qt::AlignVCenter);
        QVERIFY((place(grid, label) == Place{0, 1, 1, 1}));
        if (withCheck) {
            QVERIFY(check);
            QVERIFY((place(grid, check) == Place{1, 1, 1, 1}));
            QVERIFY((place(grid, buttons) == Place{2, 0, 1, 2}));
            QCOMPARE(buttons->contentsMargins().top(), 4);
        } else {
            QVERIFY(!check);
            QVERIFY((place(grid, buttons) == Place{1, 0, 1, 2}));
        }
    }
}

void StyleMsgTest::emptyTitleAndText()
{
    StyleMsg box(StyleMsg::Information, QString(), QString(), nullptr, QDialogButtonBox::Ok);
    QVERIFY(box.windowTitle().isEmpty());
    QVERIFY(box.titleBar()->title().isEmpty());
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text().isEmpty());
}

void StyleMsgTest::defaultButtonAndNeverAgain()
{
    bool flag = false;
    bool noDefault = false, noFocused = false, yesDefault = true;
    whileShown([&](StyleMsg *box) {
        if (!box)
            return;
        QPushButton *yes = buttonOf(box, QDialogButtonBox::Yes);
        QPushButton *no = buttonOf(box, QDialogButtonBox::No);
        noDefault = no->isDefault();
        noFocused = box->focusWidget() == no;
        yesDefault = yes->isDefault();
        QTest::mouseClick(box->findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox")),
                          Qt::LeftButton);
        yes->click();
    });
    const auto answer = StyleMsg::question(
        nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Remove the selected files?"), &flag,
        QDialogButtonBox::Yes | QDialogButtonBox::No, QDialogButtonBox::No);
    QCOMPARE(answer, QDialogButtonBox::Yes);
    QVERIFY(flag);
    QVERIFY(noDefault);
    QVERIFY(noFocused);
    QVERIFY(!yesDefault);
}

void StyleMsgTest::noDefaultButtonAsked()
{
    bool noDefault = true;
    whileShown([&](StyleMsg *box) {
        if (!box)
            return;
        noDefault = buttonOf(box, QDialogButtonBox::No)->isDefault();
        buttonOf(box, QDialogButtonBox::No)->click();
    });
    const auto answer =
        StyleMsg::question(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Clear the list?"),
                           QDialogButtonBox::Yes | QDialogButtonBox::No);
    QCOMPARE(answer, QDialogButtonBox::No);
    QVERIFY(!noDefault);

    // A default button the box does not have changes nothing.
    whileShown([](StyleMsg *box) {
        if (box)
            buttonOf(box, QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(StyleMsg::information(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Done"),
                                   QDialogButtonBox::Ok, QDialogButtonBox::Retry),
             QDialogButtonBox::Ok);
}

void StyleMsgTest::escAndCloseButtonGiveCancel()
{
    whileShown([](StyleMsg *box) {
        if (box)
            QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(StyleMsg::critical(nullptr, QStringLiteral("Zandrevik"),
                                QStringLiteral("Open Log File FAILED!"), QDialogButtonBox::Ok),
             QDialogButtonBox::Cancel);

    whileShown([](StyleMsg *box) {
        if (box)
            box->titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose"))->click();
    });
    QCOMPARE(
        StyleMsg::question(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Save?"),
                           QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel,
                           QDialogButtonBox::Yes),
        QDialogButtonBox::Cancel);
}

void StyleMsgTest::neverAgainKeepsTheLastStateWhateverEndsTheBox()
{
    struct Case {
        const char *what;
        int clicks; // on the check box
        bool esc;   // else No
        QDialogButtonBox::StandardButton answer;
        bool flag;
    } cases[] = {
        {"ticked, No", 1, false, QDialogButtonBox::No, true},
        {"ticked, Esc", 1, true, QDialogButtonBox::Cancel, true},
        {"ticked and unticked, No", 2, false, QDialogButtonBox::No, false},
        {"untouched, Esc", 0, true, QDialogButtonBox::Cancel, false},
    };
    for (const Case &c : cases) {
        bool flag = true;
        whileShown([&c](StyleMsg *box) {
            if (!box)
                return;
            auto *check = box->findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox"));
            for (int i = 0; i < c.clicks; ++i)
                QTest::mouseClick(check, Qt::LeftButton);
            if (c.esc)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                buttonOf(box, QDialogButtonBox::No)->click();
        });
        const auto answer = StyleMsg::question(
            nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Go on?"), &flag,
            QDialogButtonBox::Yes | QDialogButtonBox::No, QDialogButtonBox::NoButton);
        QVERIFY2(answer == c.answer, c.what);
        QVERIFY2(flag == c.flag, c.what);
    }
}

// Every way of ending the box but Yes says no, and the ticked box counts
// only with Yes.
void StyleMsgTest::confirmGoesOnOnlyOnYes()
{
    enum End { Yes, No, Esc, Close };
    struct Case {
        const char *what;
        bool tick;
        End end;
        bool goesOn;
        bool never;
    } cases[] = {
        {"ticked, Yes", true, Yes, true, true},
        {"Yes", false, Yes, true, false},
        {"ticked, No", true, No, false, false},
        {"ticked, Esc", true, Esc, false, false},
        {"ticked, close button", true, Close, false, false},
    };
    for (const Case &c : cases) {
        bool never = true;
        whileShown([&c](StyleMsg *box) {
            if (!box)
                return;
            if (c.tick)
                QTest::mouseClick(box->findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox")),
                                  Qt::LeftButton);
            if (c.end == Yes || c.end == No)
                QTest::mouseClick(
                    buttonOf(box, c.end == Yes ? QDialogButtonBox::Yes : QDialogButtonBox::No),
                    Qt::LeftButton);
            else if (c.end == Esc)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                QTest::mouseClick(
                    box->titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose")),
                    Qt::LeftButton);
        });
        const bool goesOn = StyleMsg::confirm(nullptr, QStringLiteral("Zandrevik"),
                                              QStringLiteral("Go on?"), &never);
        QVERIFY2(goesOn == c.goesOn, c.what);
        QVERIFY2(never == c.never, c.what);
    }
    // Without a flag there is no check box.
    whileShown([](StyleMsg *box) {
        QVERIFY(box && !box->findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox")));
        QTest::mouseClick(buttonOf(box, QDialogButtonBox::Yes), Qt::LeftButton);
    });
    QVERIFY(
        StyleMsg::confirm(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("Go on?"), nullptr));
}

void StyleMsgTest::staticFunctionsPickTheKind()
{
    struct Case {
        const char *icon;
        std::function<QDialogButtonBox::StandardButton()> run;
    } cases[] = {
        {"lbMsgIconCritical",
         [] {
             return StyleMsg::critical(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("x"));
         }},
        {"lbMsgIconWarning",
         [] {
             return StyleMsg::warning(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("x"));
         }},
        {"lbMsgIconInfo",
         [] {
             return StyleMsg::information(nullptr, QStringLiteral("Zandrevik"),
                                          QStringLiteral("x"));
         }},
        {"lbMsgIconQuestion",
         [] {
             return StyleMsg::question(nullptr, QStringLiteral("Zandrevik"), QStringLiteral("x"));
         }},
    };
    for (const Case &c : cases) {
        QString name;
        bool hasCheck = true;
        whileShown([&](StyleMsg *box) {
            if (!box)
                return;
            if (box->findChild<QLabel *>(QLatin1String(c.icon)))
                name = QLatin1String(c.icon);
            hasCheck = box->findChild<QCheckBox *>() != nullptr;
            box->reject();
        });
        QCOMPARE(c.run(), QDialogButtonBox::Cancel);
        QCOMPARE(name, QLatin1String(c.icon));
        QVERIFY2(!hasCheck, c.icon);
    }
}

QTEST_MAIN(StyleMsgTest)
#include "stylemsg_test.moc"
