#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Small pictures looked up by key, kept in the order they were added.
class ImageList {
public:
    void Add(const QString& key, const QPixmap& picture);
    int Count() const { return int(m_images.size()); }
    QStringList Keys() const;
    bool Contains(const QString& key) const;
    // A null pixmap when the key is absent. Keys match exactly.
    QPixmap ListImage(const QString& key) const;
    QIcon Icon(const QString& key) const { return QIcon(ListImage(key)); }

private:
    QList<QPair<QString, QPixmap>> m_images;
};
