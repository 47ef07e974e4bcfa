#include "platform/ui/qt_file_dialogs.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>

#include <algorithm>

#include "platform/file.h"
#include "platform/file_names.h"
#include "platform/message_box.h"
#include "platform/ui/owner_window.h"
#include "platform/ui/portal_file_dialog.h"
#include "platform/ui/undecodable_names_model.h"

namespace platform {
namespace {

// The patterns of a name filter as the dialog shows it: "Wave Files (*.wav) (*.wav)" -> *.wav.
QStringList FilterPatterns(const QString& filter)
{
    const qsizetype open = filter.lastIndexOf(u'(');
    const qsizetype close = filter.lastIndexOf(u')');
    if (open < 0 || close < open)
        return {QStringLiteral("*")};
    return filter.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts);
}

// Qt's dialog takes a name in a folder that does not exist; with OFN_PATHMUSTEXIST the name
// is refused in the dialog, as Windows refuses it, instead of failing later at the save.
// An open dialog also shows and takes the files whose names Qt cannot show as they are.
class RipwellFileDialog : public QFileDialog {
public:
    RipwellFileDialog(QWidget* parent, uint32_t flags) : QFileDialog(parent), m_flags(flags) {}

    // Adds the files Qt leaves out to the folders the dialog shows. Only for an open dialog of
    // Qt's own: a save under a name that merely looks like an existing file's must not replace it.
    void ShowUndecodableNames()
    {
        m_added = new UndecodableNamesModel(this);
        setProxyModel(m_added);
        // The folder shown changes with the model's root, whoever sets it.
        if (auto* files = qobject_cast<QFileSystemModel*>(m_added->sourceModel()))
            connect(files, &QFileSystemModel::rootPathChanged, this, [this] { RefreshAdded(); });
        // The filter changes with the type box, whether the user or the program sets it.
        if (auto* types = findChild<QComboBox*>("fileTypeCombo"))
            connect(types, &QComboBox::currentIndexChanged, this, [this] { RefreshAdded(); });
        // Connected after the dialog's own handlers, so these run last.
        for (const char* name : {"listView", "treeView"}) {
            auto* view = findChild<QAbstractItemView*>(name);
            if (!view)
                continue;
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    [this, view] { OnSelectionChanged(view); });
            view->installEventFilter(this);
            view->viewport()->installEventFilter(this);
        }
        if (QLineEdit* edit = NameEdit())
            connect(edit, &QLineEdit::textChanged, this, [this] { EnableOpenForAddedName(); });
        RefreshAdded();
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (m_added && !files.isEmpty() && ResolveFileNameFromQt(files.first()) != FileNameFromQt(files.first())) {
            // A file Qt cannot find under the name it shows; the service takes its real name.
            QDialog::accept(); // NOLINT(bugprone-parent-virtual-call): QFileDialog would look for the shown name
            return;
        }
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

protected:
    // The dialog would take a double click or Enter on an added file for a folder to enter.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_added && (event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::KeyPress)) {
            auto* view = qobject_cast<QAbstractItemView*>(watched);
            if (!view && watched->parent())
                view = qobject_cast<QAbstractItemView*>(watched->parent());
            QModelIndex index;
            if (view && event->type() == QEvent::MouseButtonDblClick)
                index = view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            else if (view &&
                     (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter))
                index = view->currentIndex();
            if (m_added->IsAdded(index)) {
                accept();
                return true;
            }
        }
        return QFileDialog::eventFilter(watched, event);
    }

private:
    QLineEdit* NameEdit() const { return findChild<QLineEdit*>("fileNameEdit"); }

    void RefreshAdded() { m_added->ShowFolder(directory().absolutePath(), FilterPatterns(selectedNameFilter())); }

    // The dialog's own handler leaves added files out of the name field.
    void OnSelectionChanged(QAbstractItemView* view)
    {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        if (rows.size() == 1 && m_added->IsAdded(rows.first()) && NameEdit())
            NameEdit()->setText(rows.first().data().toString());
    }

    // The dialog finds no file under the name shown for an added file and keeps its Open
    // button off; the name stands for a file all the same.
    void EnableOpenForAddedName()
    {
        const QString text = NameEdit() ? NameEdit()->text() : QString();
        if (text.isEmpty() || !text.contains(QChar::ReplacementCharacter))
            return;
        // As the dialog does, a name without an extension is also tried with the default one.
        QStringList paths{directory().absoluteFilePath(text)};
        if (!text.contains(u'.') && !defaultSuffix().isEmpty())
            paths << paths.first() + u'.' + defaultSuffix();
        const bool names = std::any_of(paths.begin(), paths.end(), [](const QString& path) {
            return ResolveFileNameFromQt(path) != FileNameFromQt(path);
        });
        if (!names)
            return;
        if (auto* buttons = findChild<QDialogButtonBox*>("buttonBox"))
            for (QAbstractButton* button : buttons->buttons())
                if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                    button->setEnabled(true);
    }

    uint32_t m_flags;
    UndecodableNamesModel* m_added = nullptr;
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
                    PathExists(withExtension) && !ConfirmReplace(withExtension)) {
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
            dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & framework::OFN_OVERWRITEPROMPT) == 0);
        }
        if (!request.filters.empty())
            dialog.setNameFilters(QtNameFilters(request.filters));
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));

        const QFileInfo proposal(FileNameToQt(request.fileName));
        const QString folder =
            request.fileName.find('/') != std::string::npos ? proposal.absolutePath() : QDir::currentPath();
        dialog.setDirectory(folder);
        if (!proposal.fileName().isEmpty())
            dialog.selectFile(proposal.fileName());
        if (request.openFileDialog)
            dialog.ShowUndecodableNames();

        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty())
            return false;
        const QString path = QDir::cleanPath(chosen.first());
        *fileName = request.openFileDialog ? ResolveFileNameFromQt(path) : FileNameFromQt(path);
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
    const QFileInfo info(FileNameToQt(name));
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
