#pragma once

#include "editor/JobRecord.h"

#include <QAbstractListModel>
#include <QPointer>
#include <filesystem>
#include <optional>

namespace orvane {

class JobGallery;

// The gallery's finished jobs, newest first, as a list the views can show: the home screen's
// strip (the newest few) and the gallery's grid (all). Follows the gallery as jobs come and go.
// Thumbnails come decoded from the shared thumbnail cache, never decoded here.
class JobListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // The `JobRecord`.
        recordRole = Qt::UserRole + 1,
        // The job's folder, as a QString path.
        folderRole,
    };

    // Shows at most `limit` jobs, all when none.
    explicit JobListModel(JobGallery& gallery, std::optional<int> limit = std::nullopt,
                          QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // Display: the title. Decoration: the thumbnail once decoded. Tool tip: the detail line.
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const JobRecord& record(int row) const;
    std::filesystem::path folder(int row) const;

private:
    void reload();

    QPointer<JobGallery> gallery_;
    std::optional<int> limit_;
    QList<JobRecord> records_;
};

} // namespace orvane
