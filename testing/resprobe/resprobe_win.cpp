// Test helper: reports the resources of an executable the way Windows sees
// them, through the resource and version APIs, one "key: value" line each.
//
//   resprobe.exe FILE
//
//   icon N: images=K size=WxH     icon group N, and the image chosen for 32x32
//   bitmap N: WxH                 bitmap resource N, loaded as a bitmap
//   rcdata N: size=S head=HEX     raw-data resource N, its size and first bytes
//   version: file=a.b.c.d product=a.b.c.d
//   version NAME: TEXT            the strings of the first translation
//   manifest: size=S
//   message N: TEXT               message N of the message table, its insert "event text"
//   exetype: console|gui          how the shell classifies the executable
#include <cstdio>
#include <string>

#include "platform/handle.h"
#include "platform/win32.h"

#include <shellapi.h>

namespace {

constexpr int kProbedIds[] = {1, 10000};

struct ModulePolicy {
    using Type = HMODULE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { FreeLibrary(h); }
};
using UniqueModule = UniqueResource<ModulePolicy>;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return "";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A resource's bytes, or an empty string when it is missing.
std::string resourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) return "";
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return "";
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

void reportIcon(HMODULE module, int id) {
    std::string group = resourceBytes(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
    if (group.size() < 6) return;
    const int count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5]) << 8;
    auto* bits = reinterpret_cast<BYTE*>(group.data());
    const int best = LookupIconIdFromDirectoryEx(bits, TRUE, 32, 32, LR_DEFAULTCOLOR);
    std::string image = resourceBytes(module, MAKEINTRESOURCEW(best), MAKEINTRESOURCEW(3));
    std::string size = "none";
    HICON icon = image.empty() ? nullptr
                               : CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()),
                                                          static_cast<DWORD>(image.size()), TRUE, 0x00030000, 0, 0,
                                                          LR_DEFAULTCOLOR);
    if (icon != nullptr) {
        ICONINFO info{};
        BITMAP bitmap{};
        if (GetIconInfo(icon, &info)) {
            HBITMAP shown = info.hbmColor != nullptr ? info.hbmColor : info.hbmMask;
            if (GetObjectW(shown, sizeof bitmap, &bitmap))
                size = std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmWidth);
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
        DestroyIcon(icon);
    }
    std::printf("icon %d: images=%d size=%s\n", id, count, size.c_str());
}

void reportBitmap(HMODULE module, int id) {
    HANDLE image = LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    if (image == nullptr) return;
    BITMAP bitmap{};
    if (GetObjectW(image, sizeof bitmap, &bitmap)) std::printf("bitmap %d: %ldx%ld\n", id, bitmap.bmWidth, bitmap.bmHeight);
    DeleteObject(image);
}

void reportRawData(HMODULE module, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    if (found == nullptr) return;
    const std::string bytes = resourceBytes(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const char* digits = "0123456789abcdef";
    std::string head;
    for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
        head += digits[static_cast<unsigned char>(bytes[i]) >> 4];
        head += digits[static_cast<unsigned char>(bytes[i]) & 15];
    }
    std::printf("rcdata %d: size=%lu head=%s\n", id, static_cast<unsigned long>(SizeofResource(module, found)),
                head.c_str());
}

// As the event viewer shows an event: the message formatted with its insert.
void reportMessage(HMODULE module, int id) {
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(L"event text")};
    wchar_t text[256];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module,
                                   static_cast<DWORD>(id), 0, text, 256, reinterpret_cast<va_list*>(inserts));
    if (n == 0) return;
    std::wstring shown(text, n);
    while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
    std::printf("message %d: %s\n", id, utf8(shown).c_str());
}

std::wstring hex4(WORD value) {
    const wchar_t* digits = L"0123456789abcdef";
    std::wstring out;
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(value >> shift) & 15];
    return out;
}

void reportVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    std::string data(size, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
        auto part = [](DWORD word, int shift) { return static_cast<unsigned>((word >> shift) & 0xffff); };
        std::printf("version: file=%u.%u.%u.%u product=%u.%u.%u.%u\n", part(fixed->dwFileVersionMS, 16),
                    part(fixed->dwFileVersionMS, 0), part(fixed->dwFileVersionLS, 16), part(fixed->dwFileVersionLS, 0),
                    part(fixed->dwProductVersionMS, 16), part(fixed->dwProductVersionMS, 0),
                    part(fixed->dwProductVersionLS, 16), part(fixed->dwProductVersionLS, 0));
    }
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return;
    const std::wstring prefix = L"\\StringFileInfo\\" + hex4(translation[0]) + hex4(translation[1]) + L"\\";
    for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                                L"LegalCopyright", L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        wchar_t* text = nullptr;
        if (VerQueryValueW(data.data(), (prefix + name).c_str(), reinterpret_cast<void**>(&text),
                           &length) &&
            text != nullptr)
            std::printf("version %s: %s\n", utf8(name).c_str(), utf8(text).c_str());
    }
}

// SHGFI_EXETYPE: "PE" in the low word; the high word is the subsystem
// version for a GUI program and 0 for a console program.
void reportExeType(const std::wstring& path) {
    SHFILEINFOW info{};
    const DWORD_PTR type = SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_EXETYPE);
    if (LOWORD(type) != 0x4550) return;
    std::printf("exetype: %s\n", HIWORD(type) == 0 ? "console" : "gui");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: resprobe FILE\n");
        return 2;
    }
    UniqueModule module(LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        std::fprintf(stderr, "resprobe: cannot load %s (%lu)\n", utf8(argv[1]).c_str(), GetLastError());
        return 1;
    }
    for (int id : kProbedIds) reportIcon(module.get(), id);
    for (int id : kProbedIds) reportBitmap(module.get(), id);
    for (int id : kProbedIds) reportRawData(module.get(), id);
    reportVersion(argv[1]);
    const std::string manifest = resourceBytes(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (!manifest.empty()) std::printf("manifest: size=%lu\n", static_cast<unsigned long>(manifest.size()));
    reportMessage(module.get(), 1);
    reportExeType(argv[1]);
    return 0;
}
