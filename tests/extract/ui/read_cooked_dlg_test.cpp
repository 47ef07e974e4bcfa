#include "extract/ui/read_cooked_dlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"

namespace {

void SetField(QWidget* dialog, int id, const char* text)
{
    GetDlgControl<QLineEdit>(dialog, id)->setText(QString::fromUtf8(text));
}

void Press(QWidget* dialog, int id) { GetDlgControl<QPushButton>(dialog, id)->click(); }

} // namespace

TEST(ReadCookedDlg, OpensWithTheMembersAndKeepsOpenUntilBothFieldsAreValid)
{
    ScriptedDesktop desktop;
    CReadCookedDlg dialog;
    dialog.m_nFirstSector = 16;
    dialog.m_nLastSector = 256;
    QString shownFirst, shownLast;
    bool stayedOpenOnBadRange = false;
    bool stayedOpenOnText = false;
    bool focusOnBadField = false;
    QTimer::singleShot(0, [&] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        shownFirst = GetDlgItemText(window, res::read_cooked::IDC_FIRST_SECTOR);
        shownLast = GetDlgItemText(window, res::read_cooked::IDC_LAST_SECTOR);
        SetField(window, res::read_cooked::IDC_LAST_SECTOR, "350001");
        Press(window, res::IDOK);
        stayedOpenOnBadRange = window->isVisible();
        focusOnBadField = window->focusWidget() == GetDlgItem(window, res::read_cooked::IDC_LAST_SECTOR);
        SetField(window, res::read_cooked::IDC_LAST_SECTOR, "300");
        SetField(window, res::read_cooked::IDC_FIRST_SECTOR, "-5");
        Press(window, res::IDOK);
        stayedOpenOnText = window->isVisible();
        SetField(window, res::read_cooked::IDC_FIRST_SECTOR, " 20 ");
        Press(window, res::IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), res::IDOK);
    EXPECT_EQ(shownFirst, "16");
    EXPECT_EQ(shownLast, "256");
    EXPECT_TRUE(stayedOpenOnBadRange);
    EXPECT_TRUE(stayedOpenOnText);
    EXPECT_TRUE(focusOnBadField);
    EXPECT_EQ(dialog.m_nFirstSector, 20u);
    EXPECT_EQ(dialog.m_nLastSector, 300u);
    ASSERT_EQ(desktop.Boxes().size(), 2u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Please enter an integer between 0 and 350000.");
    EXPECT_EQ(desktop.Boxes()[0].helpId, static_cast<uint32_t>(res::AFX_IDP_PARSE_INT_RANGE));
    EXPECT_EQ(desktop.Boxes()[0].Icon(), platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(desktop.Boxes()[1].text, "Please enter a positive integer.");
}

TEST(ReadCookedDlg, CancelTakesNothingBack)
{
    ScriptedDesktop desktop;
    CReadCookedDlg dialog;
    dialog.m_nFirstSector = 16;
    dialog.m_nLastSector = 256;
    QTimer::singleShot(0, [] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        SetField(window, res::read_cooked::IDC_FIRST_SECTOR, "junk");
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), res::IDCANCEL);
    EXPECT_EQ(dialog.m_nFirstSector, 16u);
    EXPECT_TRUE(desktop.Boxes().empty());
}
