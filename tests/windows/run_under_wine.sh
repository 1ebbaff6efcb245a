#!/usr/bin/env bash
# How CTest starts a Windows test program: under Wine, with Wine's own error reports kept, and
# without address randomization. Debian 12's wine64 comes without Wine's preloader, which would
# keep Windows' fixed addresses free: the kernel puts the loader's heap anywhere in the 1 GiB
# above the loader (0x7d000000), and about one start in 5000 finds it on 0x7ffe0000, where Wine
# maps the shared user data; Wine then ends at once with status 1 ("failed to map the shared
# user data: c0000018"). Unrandomized, the heap starts right after the loader, 48 MB below that
# page. Wine programs started from here inherit the setting.
export WINEDEBUG=${WINEDEBUG:--all,err+all}
exec setarch "$(uname -m)" --addr-no-randomize wine "$@"
