# Sourced by what runs the Windows zips under Wine: the Wine loader of a program's own width.
#   . tests/support/wine_loader.sh; use_wine_loader_of DEMO.EXE; "$wine" DEMO.EXE
# Debian's /usr/bin/wine takes the 32-bit loader whenever wine32 is installed, and on a kernel that
# runs no 32-bit programs that loader fails even for a 64-bit program ("Exec format error"). So a
# 64-bit program goes to the 64-bit loader directly, and never depends on wine32.
use_wine_loader_of() { # PROGRAM
    case "$(x86_64-w64-mingw32-objdump -f "$1" | awk '/file format/ {print $NF}')" in
    pei-x86-64) wine=/usr/lib/wine/wine64 && export WINELOADER=$wine ;;
    pei-i386) wine=/usr/lib/wine/wine ;;
    *) echo "wine_loader: $1 is no Windows program" >&2 && return 1 ;;
    esac
    [ -x "$wine" ] || { echo "wine_loader: no $wine (install Debian's ${wine##*/}: scripts/install-wine32.sh)" >&2 && return 1; }
}
