// Qt's file dialog lists a folder through a QFileSystemModel, which leaves out every file whose
// name is not valid in the local encoding of the file system. This proxy, set on an open
// dialog, adds those files to the folder the dialog shows, after Qt's own rows, under the name
// Qt would show for them (with replacement characters). The dialog then finds the file behind
// such a name with ResolveFileNameFromQt (platform/file_names.h).
#pragma once

#include <QDateTime>
#include <QIdentityProxyModel>
#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>

namespace platform {

class UndecodableNamesModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    // Shows the files of folder whose names Qt cannot show as they are, those that match one
    // of patterns (wildcards as in name filters, any case; "*" takes every file).
    void ShowFolder(const QString& folder, const QStringList& patterns);
    // Whether a row is one of the added files.
    bool IsAdded(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;

private:
    bool IsFolder(const QModelIndex& parent) const;
    QModelIndex FolderIndex() const;
    int SourceRows() const;

    struct Entry {
        QString name; // as shown
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const Entry&) const = default;
    };

    QPersistentModelIndex m_folder; // in the source model
    QString m_folderPath;
    QList<Entry> m_entries; // in the order shown
};

} // namespace platform
