// The "CD-ROM device status" dialog: its layout (icon 175 at the left, five read-only fields
// without border in their order), the values in place when it shows, and the command that
// opens it on the drive of the settings.
#include "player/ui/device_status_dlg.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui/main_frame.h"
#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "platform/framework/command_routing.h"
#include "platform/ui/command_actions.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive.h"
#include "support/scripted_drive_table.h"
#include "support/scripted_mci.h"
#include "support/ui/modal_answer.h"

using namespace platform;

namespace {

const std::vector<std::pair<int, QString>> kFields{{res::IDC_1038, "Media Identity:"},
                                                   {res::IDC_1039, "Media UPC:"},
                                                   {res::IDC_1036, "Media change count:"},
                                                   {res::IDC_1037, "Total sectors:"},
                                                   {res::IDC_1040, "Total time:"}};

// The texts of the five fields, top to bottom.
std::vector<std::string> FieldTexts(QWidget* dialog)
{
    std::vector<std::string> texts;
    for (const auto& [id, label] : kFields)
        texts.push_back(GetDlgItemText(dialog, id).toStdString());
    return texts;
}

} // namespace

TEST(DeviceStatusDlg, ShowsTheIconAndFiveReadOnlyFieldsInOrderFilledBeforeItShows)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D"));
    ScriptedDrive drive('D', 1000);
    drive.SetMediaChangeCount(12);
    ScriptedMci mci;
    ScriptedDesktop desktop;
    mci.AnswerOnce(MCI_INFO, {0, 0, "305419896"});
    mci.AnswerOnce(MCI_INFO, {0, 0, "0724384960650"});
    mci.AnswerStatus(MCI_STATUS_LENGTH, {0, 0u | 5u << 8 | 3u << 16, ""});

    CDeviceStatusDlg dialog('D');
    std::vector<std::string> atShow;
    size_t mciAtShow = 0;
    AnswerModal<CDeviceStatusDlg>([&](CDeviceStatusDlg* shown) {
        atShow = FieldTexts(shown);
        mciAtShow = mci.Requests().size();
        EXPECT_EQ(shown->windowTitle(), "CD-ROM device status");

        // Icon at the left of the fields.
        auto* icon = shown->findChild<QLabel*>("deviceIcon");
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
        // Fields from top to bottom, each with its label on the same line, read-only, no border.
        int lastY = -1;
        for (const auto& [id, label] : kFields) {
            auto* field = GetDlgControl<QLineEdit>(shown, id);
            ASSERT_NE(field, nullptr) << id;
            EXPECT_TRUE(field->isReadOnly());
            EXPECT_FALSE(field->hasFrame());
            const QPoint at = field->mapTo(shown, QPoint(0, 0));
            EXPECT_GT(at.y(), lastY) << id;
            EXPECT_GT(at.x(), icon->mapTo(shown, QPoint(0, 0)).x() + 31) << id;
            lastY = at.y();
            auto* caption = shown->findChild<QLabel*>(QString("label%1").arg(id));
            ASSERT_NE(caption, nullptr);
            EXPECT_EQ(caption->text(), label);
            EXPECT_NEAR(caption->mapTo(shown, QPoint(0, caption->height() / 2)).y(),
                        field->mapTo(shown, QPoint(0, field->height() / 2)).y(), 3);
        }
        GetDlgControl<QPushButton>(shown, res::IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), res::IDOK);

    EXPECT_EQ(atShow, (std::vector<std::string>{"12345678", "0724384960650", "12", "n/a", "0 min 05 sec 03 frm"}));
    // The device was closed before the dialog showed; nothing was asked again while it was open.
    ASSERT_GT(mciAtShow, 0u);
    EXPECT_EQ(mci.Requests()[mciAtShow - 1].message, MCI_CLOSE);
    EXPECT_EQ(mci.Requests().size(), mciAtShow);
}

TEST(DeviceStatusDlg, TheCommandOpensItOnTheSettingsDriveAfterTheMciMessage)
{
    ScriptedDriveTable drives({{'C', DriveEntry::Kind::FixedDisk, "/"}});
    ScriptedDesktop desktop;
    AppSettings settings;
    settings.DefaultCDROMDrive = 'K';
    CRipwellDoc document;
    document.OnNewDocument();
    framework::CommandMap application;
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(&document, settings, &application));
    desktop.Clear();

    std::vector<std::string> atShow;
    std::vector<std::string> boxesAtShow;
    AnswerModal<CDeviceStatusDlg>([&](CDeviceStatusDlg* shown) {
        atShow = FieldTexts(shown);
        boxesAtShow = desktop.Transcript();
        shown->accept();
    });
    QAction* command = nullptr;
    for (QAction* action : frame.findChildren<QAction*>())
        if (framework::CommandActions::CommandOf(action) == res::ID_DEVICE_STATUS)
            command = action;
    ASSERT_NE(command, nullptr);
    command->trigger();

    EXPECT_EQ(boxesAtShow, (std::vector<std::string>{"sound T1000", "box Invalid drive."}));
    EXPECT_EQ(atShow, std::vector<std::string>(5, "n/a"));
}
