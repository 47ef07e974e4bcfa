#include "platform/ui/qt_file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/message_box.h"
#include "platform/ui/owner_window.h"
#include "platform/ui/portal_file_dialog.h"

namespace platform {
namespace {

// Qt's dialog takes a name in a folder that does not exist; with OFN_PATHMUSTEXIST the name
// is refused in the dialog, as Windows refuses it, instead of failing later at the save.
class RipwellFileDialog : public QFileDialog {
public:
    RipwellFileDialog(QWidget* parent, uint32_t flags) : QFileDialog(parent), m_flags(flags) {}

    void accept() override
    {
        const QStringList files = selectedFiles();
        if ((m_flags & framework::OFN_PATHMUSTEXIST) && !files.isEmpty()) {
            const QFileInfo chosen(files.first());
            if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
                QMessageBox::warning(this, windowTitle(),
                                     QStringLiteral("%1\nPath does not exist.\nCheck the path and try again.")
                                         .arg(QDir::toNativeSeparators(chosen.absolutePath())));
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    uint32_t m_flags;
};

class QtFileDialogService : public framework::FileDialogService {
public:
    explicit QtFileDialogService(FileDialogChoice choice) : m_choice(choice) {}

    bool Run(const framework::FileDialogRequest& request, std::string* fileName) override
    {
        if (m_choice == FileDialogChoice::DesktopWhereAvailable && PortalFileChooserAvailable()) {
            bool chosen = false;
            if (RunPortal(request, fileName, &chosen))
                return chosen;
        }
        return RunQtDialog(request, fileName);
    }

private:
    // The desktop's dialog; false when the portal could not be asked (chosen is then unset).
    static bool RunPortal(const framework::FileDialogRequest& request, std::string* fileName, bool* chosen)
    {
        std::string proposal = request.fileName;
        for (;;) {
            std::string name;
            switch (RunPortalFileDialog(request, proposal, &name)) {
            case PortalAnswer::Failed: return false;
            case PortalAnswer::Cancelled: *chosen = false; return true;
            case PortalAnswer::Chosen: break;
            }
            if (!request.openFileDialog) {
                // The portal asked about the name it returned; with the default extension
                // appended the name may be that of another file that exists, asked about here.
                const std::string withExtension = WithDefaultExtension(name, request.defaultExtension);
                if (withExtension != name && (request.flags & framework::OFN_OVERWRITEPROMPT) &&
                    QFileInfo::exists(QString::fromStdString(withExtension)) && !ConfirmReplace(withExtension)) {
                    proposal = withExtension;
                    continue;
                }
                name = withExtension;
            }
            *fileName = name;
            *chosen = true;
            return true;
        }
    }

    static bool RunQtDialog(const framework::FileDialogRequest& request, std::string* fileName)
    {
        RipwellFileDialog dialog(OwnerWindow(), request.flags);
        dialog.setObjectName("FileDialog");
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        // The filter texts carry their patterns already; the patterns Qt goes by follow them.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setWindowTitle(QString::fromStdString(request.title));
        if (request.openFileDialog) {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode((request.flags & framework::OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                              : QFileDialog::AnyFile);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite,
                             (request.flags & framework::OFN_OVERWRITEPROMPT) == 0);
        }
        if (!request.filters.empty())
            dialog.setNameFilters(QtNameFilters(request.filters));
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));

        const QFileInfo proposal(QString::fromStdString(request.fileName));
        const QString folder = request.fileName.find('/') != std::string::npos ? proposal.absolutePath()
                                                                                : QDir::currentPath();
        dialog.setDirectory(folder);
        if (!proposal.fileName().isEmpty())
            dialog.selectFile(proposal.fileName());

        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty())
            return false;
        *fileName = QDir::cleanPath(chosen.first()).toStdString();
        return true;
    }

    FileDialogChoice m_choice;
};

} // namespace

QStringList QtNameFilters(const std::vector<framework::FileFilter>& filters)
{
    QStringList names;
    for (const framework::FileFilter& filter : filters) {
        QStringList patterns;
        for (const QString& pattern : QString::fromStdString(filter.pattern).split(';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            patterns << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        names << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.text), patterns.join(' '));
    }
    return names;
}

void InstallQtFileDialogService(FileDialogChoice choice)
{
    static QtFileDialogService desktop(FileDialogChoice::DesktopWhereAvailable);
    static QtFileDialogService qtOwn(FileDialogChoice::QtOwn);
    framework::SetFileDialogService(choice == FileDialogChoice::QtOwn ? &qtOwn : &desktop);
}

std::string WithDefaultExtension(const std::string& name, const std::string& defaultExtension)
{
    const QFileInfo info(QString::fromStdString(name));
    if (defaultExtension.empty() || info.fileName().contains(u'.'))
        return name;
    return name + "." + defaultExtension;
}

bool ConfirmReplace(const std::string& name)
{
    const std::string text = name + " already exists.\nDo you want to replace it?";
    return MessageBox(text, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

} // namespace platform
