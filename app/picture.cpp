#include "app/picture.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace horvane {

namespace {

constexpr WORD kBitmapFileType = 0x4D42;  // "BM"
constexpr int kLargestSide = 16384;

std::size_t RowStride(int width, int bitsPerPixel) {
    return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

}  // namespace

Bitmap CreateTopDownBitmap(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return Bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

Bitmap DecodePicture(std::span<const std::uint8_t> picture) {
    constexpr std::size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
    if (picture.size() < kFileHeaderSize + sizeof(BITMAPINFOHEADER)) return {};
    BITMAPFILEHEADER file;
    std::memcpy(&file, picture.data(), kFileHeaderSize);
    BITMAPINFOHEADER header;
    std::memcpy(&header, picture.data() + kFileHeaderSize, sizeof header);
    if (file.bfType != kBitmapFileType || header.biSize < sizeof(BITMAPINFOHEADER)) return {};
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return {};
    if (header.biWidth > kLargestSide || std::abs(header.biHeight) > kLargestSide) return {};
    switch (header.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
            if (header.biCompression != BI_RGB) return {};
            break;
        case 16:
        case 32:
            if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return {};
            break;
        default:
            return {};
    }
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const std::size_t infoEnd = kFileHeaderSize + header.biSize;
    const std::size_t imageSize = RowStride(width, header.biBitCount) * height;
    if (file.bfOffBits < infoEnd || file.bfOffBits > picture.size() ||
        picture.size() - file.bfOffBits < imageSize) {
        return {};
    }
    // Header, masks and colour table as one aligned BITMAPINFO; room for a full table of
    // 256 entries, so that a table shorter than the bit count allows is read as zeros.
    const std::size_t infoSize = file.bfOffBits - kFileHeaderSize;
    std::vector<std::uint64_t> info((infoSize + 256 * sizeof(RGBQUAD) + 7) / 8, 0);
    std::memcpy(info.data(), picture.data() + kFileHeaderSize, infoSize);
    auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(info.data());
    bitmapInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);  // masks follow at 40 bytes
    if (header.biSize > sizeof(BITMAPINFOHEADER)) {
        // A newer header: the masks (if any) are inside it, the colour table follows it.
        std::memmove(reinterpret_cast<std::uint8_t*>(info.data()) + sizeof(BITMAPINFOHEADER),
                     picture.data() + infoEnd, file.bfOffBits - infoEnd);
        if (header.biCompression == BI_BITFIELDS) {
            std::memcpy(reinterpret_cast<std::uint8_t*>(info.data()) + sizeof(BITMAPINFOHEADER),
                        picture.data() + kFileHeaderSize + sizeof(BITMAPINFOHEADER),
                        3 * sizeof(DWORD));
        }
    }

    void* bits = nullptr;
    Bitmap bitmap = CreateTopDownBitmap(width, height, &bits);
    if (!bitmap) return {};
    WindowDC screen(nullptr);
    const int lines = SetDIBits(screen.get(), bitmap.get(), 0, height,
                                picture.data() + file.bfOffBits, bitmapInfo, DIB_RGB_COLORS);
    if (lines != height) return {};
    return bitmap;
}

PixelGrid ReadPixels(HBITMAP bitmap) {
    BITMAP object{};
    if (!bitmap || !GetObject(bitmap, sizeof object, &object)) return {};
    if (object.bmWidth <= 0 || object.bmHeight <= 0) return {};
    PixelGrid grid{object.bmWidth, object.bmHeight, {}};
    grid.pixels.resize(static_cast<std::size_t>(grid.width) * grid.height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = grid.width;
    info.bmiHeader.biHeight = -grid.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    WindowDC screen(nullptr);
    if (GetDIBits(screen.get(), bitmap, 0, grid.height, grid.pixels.data(), &info,
                  DIB_RGB_COLORS) != grid.height) {
        return {};
    }
    return grid;
}

Picture EncodePicture(HBITMAP bitmap) {
    BITMAP object{};
    if (!bitmap || !GetObject(bitmap, sizeof object, &object)) return {};
    if (object.bmWidth <= 0 || object.bmHeight <= 0) return {};
    const int width = object.bmWidth;
    const int height = object.bmHeight;
    const std::size_t imageSize = RowStride(width, 24) * height;
    constexpr std::size_t kHeadersSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, the usual order in a file
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(imageSize);

    Picture picture(kHeadersSize + imageSize);
    WindowDC screen(nullptr);
    if (GetDIBits(screen.get(), bitmap, 0, height, picture.data() + kHeadersSize, &info,
                  DIB_RGB_COLORS) != height) {
        return {};
    }
    BITMAPFILEHEADER file{};
    file.bfType = kBitmapFileType;
    file.bfSize = static_cast<DWORD>(picture.size());
    file.bfOffBits = kHeadersSize;
    std::memcpy(picture.data(), &file, sizeof file);
    std::memcpy(picture.data() + sizeof file, &info.bmiHeader, sizeof info.bmiHeader);
    return picture;
}

Picture LoadBitmapResource(int id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = SizeofResource(module, found);
    if (!data || size < sizeof(BITMAPINFOHEADER)) return {};
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size) return {};
    std::size_t tableSize = 0;
    if (header.biBitCount <= 8) {
        const DWORD entries = header.biClrUsed ? header.biClrUsed : (1u << header.biBitCount);
        tableSize = entries * sizeof(RGBQUAD);
    } else if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof header) {
        tableSize = 3 * sizeof(DWORD);
    }
    BITMAPFILEHEADER file{};
    file.bfType = kBitmapFileType;
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    file.bfOffBits = static_cast<DWORD>(sizeof file + header.biSize + tableSize);
    Picture picture(sizeof file + size);
    std::memcpy(picture.data(), &file, sizeof file);
    std::memcpy(picture.data() + sizeof file, data, size);
    return picture;
}

Icon LoadIconResource(int id, int width, int height) {
    return Icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, width, height, 0)));
}

Bitmap RenderIconOnWhite(HICON icon, int width, int height) {
    void* bits = nullptr;
    Bitmap bitmap = CreateTopDownBitmap(width, height, &bits);
    if (!bitmap) return {};
    MemoryDC memory(nullptr);
    {
        SelectedObject selected(memory.get(), bitmap.get());
        RECT all{0, 0, width, height};
        FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (icon) DrawIconEx(memory.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    }
    GdiFlush();
    return bitmap;
}

}  // namespace horvane
