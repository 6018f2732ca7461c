#include "ImageList.h"

void ImageList::Add(const QString& key, const QPixmap& picture) {
    m_images.append({key, picture});
}

QStringList ImageList::Keys() const {
    QStringList keys;
    for (const auto& image : m_images) keys << image.first;
    return keys;
}

bool ImageList::Contains(const QString& key) const {
    for (const auto& image : m_images)
        if (image.first == key) return true;
    return false;
}

QPixmap ImageList::ListImage(const QString& key) const {
    for (const auto& image : m_images)
        if (image.first == key) return image.second;
    return QPixmap();
}
