# The Debian package: everything `cmake --install` lays out, under /usr, with the libraries
# it needs found by dpkg-shlibdeps from the programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlance)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${PARLANCE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PARLANCE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text-to-speech reader for documents, copied text and dialogs")
# The summary is the synopsis; these lines are the extended description (an empty line
# separates paragraphs).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Parlance reads text aloud with espeak-ng and flite voice files: a document
in its window, with the spoken word marked and the reading time shown, text
copied in any program, and the messages of dialog boxes that come to the
foreground. It can stay in the notification area. It opens RTF, plain text,
PDF, EPUB, DOCX, ODT, HTML and Markdown documents and saves as RTF.

The package also holds wavewright, which speaks a document into a WAV, MP3,
Ogg Vorbis, Opus or FLAC file from the reader's menu or a script, and
parlance-registry, which registers voice files for the reader.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the programs need besides the libraries they link: the voices' data, the accessibility
# bus for reading dialog boxes, and the desktop's opener for help and web pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, at-spi2-core, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mbrola")
set(CPACK_STRIP_FILES ON)
include(CPack)
