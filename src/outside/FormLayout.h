#pragma once

#include <QRect>
#include <QString>

class QWidget;

// Remembers forms' places and sizes (per user), in twips.
class FormLayout {
public:
    static FormLayout& Shared();

    // Puts the form where it was last saved under the section, or gives it the default size
    // (width/height 0 keep the designed size) at left/top. The flags are accepted as callers pass them.
    void Restore(QWidget* form, int left, int top, int width, int height, const QString& section, bool& flag1,
                 bool& flag2);
    void Save(QWidget* form, const QString& section, bool& flag);
};

// 15 twips per pixel.
namespace Twips {
inline int toPixels(int twips) {
    return twips / 15;
}
inline int fromPixels(int pixels) {
    return pixels * 15;
}
inline QRect rect(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}
}  // namespace Twips
