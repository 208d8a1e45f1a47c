// platform/bitmap.cpp: resampling a bitmap.
#include "platform/bitmap.h"

namespace {

// 32-bit top-down pixels: one DWORD a pixel (blue, green, red, unused), rows packed.
BITMAPINFO TopDown32(int cx, int cy)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

HBITMAP CreateDib(int cx, int cy, DWORD** ppBits)
{
    const BITMAPINFO info = TopDown32(cx, cy);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    *ppBits = static_cast<DWORD*>(bits);
    return dib;
}

// Where destination pixel i's centre falls among n source pixels, for a scale from n to m about
// a point `inset` pixels before both pictures' first pixel, in 1/256 pixel: its first source
// pixel and the weight of the next one. Out at the picture's edge it takes the edge pixel alone.
struct Sample {
    int first;
    int weight;
};

Sample SampleAt(int i, int m, int n, int inset)
{
    const long long pos = (2LL * i + 1 + 2LL * inset) * n * 256 / (2LL * m) - 256LL * inset - 128;
    if (pos <= 0)
        return {0, 0};
    const int first = static_cast<int>(pos >> 8);
    if (first >= n - 1)
        return {n - 1, 0};
    return {first, static_cast<int>(pos & 255)};
}

DWORD Blend(DWORD p00, DWORD p10, DWORD p01, DWORD p11, int fx, int fy)
{
    const unsigned w00 = static_cast<unsigned>((256 - fx) * (256 - fy));
    const unsigned w10 = static_cast<unsigned>(fx * (256 - fy));
    const unsigned w01 = static_cast<unsigned>((256 - fx) * fy);
    const unsigned w11 = static_cast<unsigned>(fx * fy);
    DWORD result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned sum = ((p00 >> shift) & 0xFF) * w00 + ((p10 >> shift) & 0xFF) * w10 +
                             ((p01 >> shift) & 0xFF) * w01 + ((p11 >> shift) & 0xFF) * w11;
        result |= ((sum + 32768) >> 16) << shift;
    }
    return result;
}

}  // namespace

HBITMAP CreateScaledBitmap(HBITMAP hSource, int cx, int cy, int insetX, int insetY)
{
    BITMAP bm = {};
    if (cx <= 0 || cy <= 0 || ::GetObjectA(hSource, sizeof bm, &bm) != sizeof bm ||
        bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    const int w = bm.bmWidth;
    const int h = bm.bmHeight;

    // The source's pixels as 32-bit colours, whatever format it is kept in.
    DWORD* src = nullptr;
    HBITMAP srcDib = CreateDib(w, h, &src);
    if (srcDib == nullptr)
        return nullptr;
    BITMAPINFO info = TopDown32(w, h);
    HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, hSource, 0, static_cast<UINT>(h), src, &info,
                                 DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);

    // Every row samples the same columns.
    HANDLE heap = ::GetProcessHeap();
    auto* columns = static_cast<Sample*>(::HeapAlloc(heap, 0, sizeof(Sample) * static_cast<size_t>(cx)));
    DWORD* dst = nullptr;
    HBITMAP dstDib = rows == h && columns != nullptr ? CreateDib(cx, cy, &dst) : nullptr;
    if (dstDib != nullptr) {
        for (int x = 0; x < cx; ++x)
            columns[x] = SampleAt(x, cx, w, insetX);
        for (int y = 0; y < cy; ++y) {
            const Sample sy = SampleAt(y, cy, h, insetY);
            const DWORD* row0 = src + static_cast<size_t>(sy.first) * w;
            const DWORD* row1 = sy.weight != 0 ? row0 + w : row0;
            DWORD* out = dst + static_cast<size_t>(y) * cx;
            for (int x = 0; x < cx; ++x) {
                const Sample sx = columns[x];
                const int next = sx.weight != 0 ? sx.first + 1 : sx.first;
                out[x] = Blend(row0[sx.first], row0[next], row1[sx.first], row1[next], sx.weight,
                               sy.weight);
            }
        }
    }
    if (columns != nullptr)
        ::HeapFree(heap, 0, columns);
    ::DeleteObject(srcDib);
    return dstDib;
}
