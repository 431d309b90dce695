/* Asks Windows what a user of the demo sees, for the Wine smoke test. Prints one line and exits
 * with 0 when it found what it was asked about, 1 otherwise.
 *   window-probe display   "display WIDTHxHEIGHTxBITS" of the current display mode
 *   window-probe window    "window class=OpenGL title=Demo style=popup|overlapped classstyle=0xNN
 *                           rect=X,Y,WIDTHxHEIGHT" for the demo's window
 *   window-probe shown     "shown", "minimized" or "hidden": how the demo's window is left
 *   window-probe box       "box class=#32770 caption=CAPTION text=TEXT" for a message box
 *                           captioned "Error"
 *   window-probe close     posts WM_CLOSE to the demo's window, as its close box does
 *   window-probe version FILE
 *                          "version file=A.B.C.D product=A.B.C.D name=NAME productversion=V
 *                           fileversion=V description=TEXT" as Explorer's Properties read them
 *   window-probe icons FILE "icons N": how many icons Windows finds in the program
 *   window-probe animations [on|off]
 *                          "animations on|off": Windows' animation effects (Settings,
 *                           Accessibility, Visual effects), after setting them when asked, as
 *                           that switch does: kept in the user's profile and announced */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <shellapi.h>

static int display(void) {
    DEVMODEA mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode)) return 1;
    printf("display %lux%lux%lu\n", (unsigned long)mode.dmPelsWidth,
           (unsigned long)mode.dmPelsHeight, (unsigned long)mode.dmBitsPerPel);
    return 0;
}

static int window(void) {
    HWND found = FindWindowA("OpenGL", "Demo");
    if (!found) {
        printf("window none\n");
        return 1;
    }
    char className[64] = "", title[64] = "";
    GetClassNameA(found, className, sizeof className);
    GetWindowTextA(found, title, sizeof title);
    RECT rect;
    GetWindowRect(found, &rect);
    LONG style = GetWindowLongA(found, GWL_STYLE);
    printf("window class=%s title=%s style=%s classstyle=0x%lx rect=%ld,%ld,%ldx%ld\n", className,
           title, (style & WS_POPUP) ? "popup" : "overlapped",
           (unsigned long)GetClassLongA(found, GCL_STYLE), (long)rect.left, (long)rect.top,
           (long)(rect.right - rect.left), (long)(rect.bottom - rect.top));
    return 0;
}

static int shown(void) {
    HWND found = FindWindowA("OpenGL", "Demo");
    if (!found) {
        printf("window none\n");
        return 1;
    }
    printf("%s\n", !IsWindowVisible(found) ? "hidden" : IsIconic(found) ? "minimized" : "shown");
    return 0;
}

/* The box's text is its one static control that shows text (the other may hold the icon). */
static BOOL CALLBACK findText(HWND child, LPARAM found) {
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0) return TRUE;
    char text[256] = "";
    GetWindowTextA(child, text, sizeof text);
    if (text[0] == '\0') return TRUE;
    strcpy((char*)found, text);
    return FALSE;
}

static int box(void) {
    HWND found = FindWindowA("#32770", "Error");
    if (!found) {
        printf("box none\n");
        return 1;
    }
    char className[64] = "", caption[64] = "", text[256] = "";
    GetClassNameA(found, className, sizeof className);
    GetWindowTextA(found, caption, sizeof caption);
    EnumChildWindows(found, findText, (LPARAM)text);
    printf("box class=%s caption=%s text=%s\n", className, caption, text);
    return 0;
}

static int closeWindow(void) {
    HWND found = FindWindowA("OpenGL", "Demo");
    if (!found || !PostMessageA(found, WM_CLOSE, 0, 0)) {
        printf("close failed\n");
        return 1;
    }
    printf("close posted\n");
    return 0;
}

/* One string of the version resource's US English, Unicode table (the one demo.rc writes). */
static const char* versionString(void* info, const char* name) {
    char path[128];
    snprintf(path, sizeof path, "\\StringFileInfo\\040904B0\\%s", name);
    char* value = NULL;
    UINT length = 0;
    return VerQueryValueA(info, path, (void**)&value, &length) && length > 0 ? value : "(none)";
}

static int version(const char* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    static char info[65536];
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (size == 0 || size > sizeof info || !GetFileVersionInfoA(file, 0, size, info) ||
        !VerQueryValueA(info, "\\", (void**)&fixed, &length) || length < sizeof *fixed) {
        printf("version none\n");
        return 1;
    }
    printf("version file=%lu.%lu.%lu.%lu product=%lu.%lu.%lu.%lu name=%s productversion=%s "
           "fileversion=%s description=%s\n",
           (unsigned long)HIWORD(fixed->dwFileVersionMS),
           (unsigned long)LOWORD(fixed->dwFileVersionMS),
           (unsigned long)HIWORD(fixed->dwFileVersionLS),
           (unsigned long)LOWORD(fixed->dwFileVersionLS),
           (unsigned long)HIWORD(fixed->dwProductVersionMS),
           (unsigned long)LOWORD(fixed->dwProductVersionMS),
           (unsigned long)HIWORD(fixed->dwProductVersionLS),
           (unsigned long)LOWORD(fixed->dwProductVersionLS), versionString(info, "ProductName"),
           versionString(info, "ProductVersion"), versionString(info, "FileVersion"),
           versionString(info, "FileDescription"));
    return 0;
}

static int icons(const char* file) {
    const UINT count = ExtractIconExA(file, -1, NULL, NULL, 0);
    printf("icons %u\n", count);
    return count > 0 ? 0 : 1;
}

static int animations(const char* wanted) {
    if (wanted) {
        const BOOL on = strcmp(wanted, "on") == 0;
        if (!on && strcmp(wanted, "off") != 0) return 2;
        if (!SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, (PVOID)(INT_PTR)on,
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) {
            printf("animations not set\n");
            return 1;
        }
    }
    BOOL on = FALSE;
    if (!SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &on, 0)) {
        printf("animations unknown\n");
        return 1;
    }
    printf("animations %s\n", on ? "on" : "off");
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "display") == 0) return display();
    if (argc == 2 && strcmp(argv[1], "window") == 0) return window();
    if (argc == 2 && strcmp(argv[1], "shown") == 0) return shown();
    if (argc == 2 && strcmp(argv[1], "box") == 0) return box();
    if (argc == 2 && strcmp(argv[1], "close") == 0) return closeWindow();
    if (argc == 3 && strcmp(argv[1], "version") == 0) return version(argv[2]);
    if (argc == 3 && strcmp(argv[1], "icons") == 0) return icons(argv[2]);
    if ((argc == 2 || argc == 3) && strcmp(argv[1], "animations") == 0) {
        const int status = animations(argc == 3 ? argv[2] : NULL);
        if (status != 2) return status;
    }
    fprintf(stderr, "usage: window-probe display|window|shown|box|close, version|icons FILE, "
                    "animations [on|off]\n");
    return 2;
}
