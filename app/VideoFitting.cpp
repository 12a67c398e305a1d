#include "app/VideoFitting.h"

QRect FitRect(int a, int b, const QRect& rect, bool relative, int margin)
{
    int left = rect.left() + margin;
    int top = rect.top() + margin;
    int width = rect.width() - 2 * margin;
    int height = rect.height() - 2 * margin;
    if (a > 0 && b > 0) {
        if (int64_t(width) * b < int64_t(height) * a) {
            const int fitted = int(int64_t(width) * b / a);
            top += (height - fitted) / 2;
            height = fitted;
        } else {
            const int fitted = int(int64_t(height) * a / b);
            left += (width - fitted) / 2;
            width = fitted;
        }
    }
    if (relative) {
        left -= rect.left();
        top -= rect.top();
    }
    return QRect(left, top, width, height);
}

TAspectChoice RatioOfMode(int mode, int streamAspect, int width, int height)
{
    TAspectChoice c;
    c.mode = mode;
    switch (mode) {
    case 1:
        c.a = 4, c.b = 3;
        break;
    case 2:
        c.a = 16, c.b = 9;
        break;
    case 3:
        c.a = width, c.b = height;
        break;
    default:
        if (streamAspect == 0)
            c.a = 4, c.b = 3;
        else if (streamAspect == 1)
            c.a = 16, c.b = 9;
        else
            c.a = width, c.b = height;
    }
    if (c.a == 0 || c.b == 0) c.a = 4, c.b = 3;
    return c;
}

TAspectChoice ApplyAspectPreference(int preference, int streamAspect, int width, int height)
{
    TAspectChoice c;
    switch (preference) {
    case 1:
        c = { 4, 3, 1 };
        break;
    case 2:
        c = { 16, 9, 2 };
        break;
    case 3:
        c = { width, height, 3 };
        break;
    default:
        if (streamAspect == 0)
            c = { 4, 3, 1 };
        else if (streamAspect == 1)
            c = { 16, 9, 2 };
        else
            c = { width, height, 0 };
    }
    return c;
}

QString SizeLabelText(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight, int mode)
{
    if (sourceWidth < 1 || sourceHeight < 1) return QString();
    static const char* const suffixes[] = { "", " [4x3]", " [16x9}", " [natif]" };
    return QStringLiteral("%1 x %2  =>  %3 x %4%5")
        .arg(sourceWidth)
        .arg(sourceHeight)
        .arg(outputWidth)
        .arg(outputHeight)
        .arg(QLatin1String(mode >= 0 && mode <= 3 ? suffixes[mode] : ""));
}
