# The Debian package: `cpack -G DEB` in the build folder (or `cpack --config
# <build>/CPackConfig.cmake -B <output folder>`) makes orvane_<version>_<arch>.deb from the
# install rules, for `apt-get install ./orvane_<version>_<arch>.deb`.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "EC2 instances of one AWS account in the system tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane for Mac lists the EC2 instances of one AWS account and region in a tray menu, starts and stops them, and can limit one security group per instance to this machine's public IPv4 address at each start. It switches the AWS CLI profile and region from the menu and can start at login. It talks to AWS only through the aws command line tool (AWS CLI v2). The interface is in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian ships programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orvane_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane maintainers <maintainers@orvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library packages come from dpkg-shlibdeps (dpkg-dev). The Qt platform plugin for X11
# (libqxcb.so) ships in libqt6gui6 on Debian 12, which libQt6Gui.so.6 already brings in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is loaded when first needed (dlopen), so dpkg-shlibdeps cannot see it; the
# lookup sets CURLOPT_PROTOCOLS_STR, new in 7.85.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0)")
# The aws tool is recommended, not required: it may come from elsewhere (AWS's own
# installer in /usr/local/bin, Homebrew, ...), and the app finds it there. The menu's
# Japanese text and its coloured state dots need a CJK and an emoji font; a clean system
# has neither (the text shows as empty boxes), a Japanese desktop has them already.
# Qt's Wayland platform plugin (qt6-wayland) is recommended too: a Wayland session without
# Xwayland needs it to show anything, while X11 sessions and Wayland sessions with Xwayland
# (where Qt falls back to X11) run without it, and it brings Wayland and EGL libraries an
# X11-only system has no use for. apt installs recommended packages by default, so a Wayland
# user gets it; without it orvane names the package when it cannot open the display.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "awscli, openssh-client, fonts-noto-cjk, fonts-noto-color-emoji, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
