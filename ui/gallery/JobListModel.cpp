#include "ui/gallery/JobListModel.h"

#include "editor/JobGallery.h"
#include "ui/gallery/ThumbnailCache.h"

namespace orvane {

JobListModel::JobListModel(JobGallery& gallery, std::optional<int> limit, QObject* parent)
    : QAbstractListModel(parent)
    , gallery_(&gallery)
    , limit_(limit) {
    connect(&gallery, &JobGallery::recordsChanged, this, &JobListModel::reload);
    connect(&ThumbnailCache::shared(), &ThumbnailCache::finished, this, [this](const QString& key) {
        for (int row = 0; row < records_.size(); ++row) {
            if (ThumbnailCache::key(folder(row)) == key) {
                emit dataChanged(index(row), index(row), {Qt::DecorationRole});
            }
        }
    });
    reload();
}

void JobListModel::reload() {
    beginResetModel();
    records_ = gallery_ ? gallery_->records() : QList<JobRecord>();
    if (limit_ && records_.size() > *limit_) {
        records_.resize(std::max(*limit_, 0));
    }
    endResetModel();
}

int JobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

const JobRecord& JobListModel::record(int row) const {
    return records_.at(row);
}

std::filesystem::path JobListModel::folder(int row) const {
    return gallery_ ? gallery_->folder(records_.at(row)) : std::filesystem::path();
}

QVariant JobListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= records_.size()) {
        return {};
    }
    const JobRecord& job = records_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return job.title;
    case Qt::ToolTipRole:
        return job.detail;
    case Qt::DecorationRole:
        if (const auto image = ThumbnailCache::shared().image(folder(index.row()));
            image && !image->isNull()) {
            return *image;
        }
        return {};
    case recordRole:
        return QVariant::fromValue(job);
    case folderRole:
        return QString::fromStdString(folder(index.row()).string());
    default:
        return {};
    }
}

QHash<int, QByteArray> JobListModel::roleNames() const {
    auto names = QAbstractListModel::roleNames();
    names.insert(recordRole, "record");
    names.insert(folderRole, "folder");
    return names;
}

} // namespace orvane
