#include "platform/ui/undecodable_names_model.h"

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <sys/stat.h>

#include "platform/file_names.h"

namespace platform {
namespace {

// Marks the added rows: Qt's own rows carry a pointer to their node, never this value.
constexpr quintptr kAddedRow = 1;

bool MatchesOne(const QString& name, const QStringList& patterns)
{
    for (const QString& pattern : patterns) {
        const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
                                            QRegularExpression::CaseInsensitiveOption);
        if (expression.match(name).hasMatch())
            return true;
    }
    return patterns.isEmpty();
}

} // namespace

void UndecodableNamesModel::ShowFolder(const QString& folder, const QStringList& patterns)
{
    QList<Entry> entries;
    const std::string bytes = FileNameFromQt(folder);
    for (const std::string& name : UndecodableNames(bytes)) {
        Entry entry{FileNameToQt(name)};
        struct stat info {};
        if (!MatchesOne(entry.name, patterns) || ::stat((bytes + "/" + name).c_str(), &info) != 0 ||
            S_ISDIR(info.st_mode))
            continue;
        entry.size = info.st_size;
        entry.modified = QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
        entries << entry;
    }
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    const QModelIndex folderInSource = files ? files->index(folder) : QModelIndex();
    if (entries == m_entries && folderInSource == m_folder)
        return;
    if (!m_entries.isEmpty() && FolderIndex().isValid()) {
        const int first = SourceRows();
        beginRemoveRows(FolderIndex(), first, first + int(m_entries.size()) - 1);
        m_entries.clear();
        endRemoveRows();
    }
    m_entries.clear();
    m_folder = folderInSource;
    m_folderPath = folder;
    if (entries.isEmpty() || !FolderIndex().isValid())
        return;
    const int first = SourceRows();
    beginInsertRows(FolderIndex(), first, first + int(entries.size()) - 1);
    m_entries = entries;
    endInsertRows();
}

bool UndecodableNamesModel::IsAdded(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.internalId() == kAddedRow;
}

bool UndecodableNamesModel::IsFolder(const QModelIndex& parent) const
{
    return m_folder.isValid() && parent.isValid() && !IsAdded(parent) && mapToSource(parent) == m_folder;
}

QModelIndex UndecodableNamesModel::FolderIndex() const { return mapFromSource(m_folder); }

int UndecodableNamesModel::SourceRows() const { return sourceModel() ? sourceModel()->rowCount(m_folder) : 0; }

QModelIndex UndecodableNamesModel::index(int row, int column, const QModelIndex& parent) const
{
    if (IsFolder(parent) && row >= SourceRows()) {
        if (row >= SourceRows() + int(m_entries.size()) || column < 0 || column >= columnCount(parent))
            return {};
        return createIndex(row, column, kAddedRow);
    }
    return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex UndecodableNamesModel::parent(const QModelIndex& child) const
{
    return IsAdded(child) ? FolderIndex() : QIdentityProxyModel::parent(child);
}

QModelIndex UndecodableNamesModel::sibling(int row, int column, const QModelIndex& index) const
{
    return IsAdded(index) ? this->index(row, column, parent(index)) : QIdentityProxyModel::sibling(row, column, index);
}

int UndecodableNamesModel::rowCount(const QModelIndex& parent) const
{
    if (IsAdded(parent))
        return 0;
    return QIdentityProxyModel::rowCount(parent) + (IsFolder(parent) ? int(m_entries.size()) : 0);
}

bool UndecodableNamesModel::hasChildren(const QModelIndex& parent) const
{
    return !IsAdded(parent) && (QIdentityProxyModel::hasChildren(parent) || (IsFolder(parent) && !m_entries.isEmpty()));
}

bool UndecodableNamesModel::canFetchMore(const QModelIndex& parent) const
{
    return !IsAdded(parent) && QIdentityProxyModel::canFetchMore(parent);
}

QVariant UndecodableNamesModel::data(const QModelIndex& index, int role) const
{
    if (!IsAdded(index))
        return QIdentityProxyModel::data(index, role);
    const int row = index.row() - SourceRows();
    if (row < 0 || row >= int(m_entries.size()))
        return {};
    const Entry& entry = m_entries[row];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // The columns of Qt's own rows: name, size, type, date modified.
        switch (index.column()) {
        case 0: return entry.name;
        case 1: return QLocale::system().formattedDataSize(entry.size);
        case 2: return QMimeDatabase().mimeTypeForFile(entry.name, QMimeDatabase::MatchExtension).comment();
        case 3: return QLocale::system().toString(entry.modified, QLocale::ShortFormat);
        default: return {};
        }
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? QVariant(Qt::AlignTrailing | Qt::AlignVCenter) : QVariant();
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(QFileIconProvider().icon(QAbstractFileIconProvider::File)) : QVariant();
    case QFileSystemModel::FilePathRole:
        return m_folderPath.endsWith(u'/') ? m_folderPath + entry.name : m_folderPath + u'/' + entry.name;
    case QFileSystemModel::FileNameRole: return entry.name;
    default: return {};
    }
}

Qt::ItemFlags UndecodableNamesModel::flags(const QModelIndex& index) const
{
    if (IsAdded(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return QIdentityProxyModel::flags(index);
}

QModelIndex UndecodableNamesModel::mapToSource(const QModelIndex& proxyIndex) const
{
    return IsAdded(proxyIndex) ? QModelIndex() : QIdentityProxyModel::mapToSource(proxyIndex);
}

} // namespace platform
