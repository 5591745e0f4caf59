# SPDX-License-Identifier: GPL-2.0-or-later
# Writes the package's copyright file (Debian's machine-readable format):
# which licence covers which installed files, with every font the content
# containers carry glyphs of, as resources/fonts.md lists them.
#   cmake -DFONTS=fonts.md -DBSD=LICENSES/BSD-2-Clause.txt -DOUT=copyright -P DebianCopyright.cmake

# Text as the format's continuation lines: a leading blank, " ." for an
# empty line; Markdown's backticks dropped.
function(as_field text out)
  string(REPLACE "`" "" text "${text}")
  string(REGEX REPLACE "\n\n+" "\n.\n" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" "\n " text "${text}")
  set(${out} " ${text}" PARENT_SCOPE)
endfunction()

file(STRINGS ${FONTS} lines ENCODING UTF-8)
set(table "")
set(notes "")
set(packages "")
set(after_table FALSE)
set(in_table FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\|")
    set(in_table TRUE)
    # Cells of a row; the header row and the rule under it are skipped.
    # (A cell's own ";" would split a CMake list: kept aside meanwhile.)
    string(REGEX REPLACE "^\\| *(.*)\\|$" "\\1" row "${line}")
    string(REPLACE ";" "<semicolon>" row "${row}")
    string(REPLACE " | " ";" cells "${row}")
    list(LENGTH cells n)
    list(GET cells 0 first)
    if(n LESS 4 OR first MATCHES "^-+$" OR first STREQUAL "Glyph set")
      continue()
    endif()
    list(GET cells 1 font)
    list(GET cells 2 package)
    list(GET cells 3 licence)
    foreach(cell first font package licence)
      string(STRIP "${${cell}}" ${cell})
      string(REPLACE "<semicolon>" ";" ${cell} "${${cell}}")
    endforeach()
    string(APPEND table "${first}:\n  ${font}\n  Debian package: ${package}\n  Licence: ${licence}\n")
    string(REGEX MATCH "^[a-z0-9.+-]+" name "${package}")
    list(APPEND packages ${name})
  elseif(in_table)
    set(after_table TRUE)
    set(in_table FALSE)
  endif()
  if(after_table AND NOT line MATCHES "^\\|")
    if(line MATCHES "^#")
      string(APPEND notes "\n")
    else()
      string(APPEND notes "${line}\n")
    endif()
  endif()
endforeach()
if(NOT packages)
  message(FATAL_ERROR "${FONTS}: no font table found")
endif()
list(REMOVE_DUPLICATES packages)
list(JOIN packages ", " package_list)
as_field("${table}" table_field)
string(STRIP "${notes}" notes)
as_field("${notes}" notes_field)
file(READ ${BSD} bsd)
string(REGEX REPLACE "^Copyright[^\n]*\n\n" "" bsd "${bsd}")
as_field("${bsd}" bsd_field)

file(WRITE ${OUT} "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Lumivo
Comment: Paths are those of the installed files.

Files: *
Copyright: Tessel
License: GPL-2+

Files: usr/lib/lumivo/*
Copyright: Tessel
License: BSD-2-Clause
Comment: The libraries libqvr, libcommon and libserio, and their widgets.

Files: usr/share/lumivo/content/*
Copyright: the authors of the fonts below; Tessel for everything else
License: OFL-1.1 and MIT-style and public-domain and GPL-2 with font exception and GPL-2+
Comment: The content containers hold glyphs rendered from these fonts. The
 full texts of their licences are in the copyright files of the Debian
 packages they come from:
 ${package_list}.
 .
${table_field}
 .
${notes_field}

License: GPL-2+
 This program is free software; you can redistribute it and/or modify it
 under the terms of the GNU General Public License as published by the Free
 Software Foundation; either version 2 of the License, or (at your option)
 any later version.
 .
 This program is distributed in the hope that it will be useful, but WITHOUT
 ANY WARRANTY; without even the implied warranty of MERCHANTABILITY or
 FITNESS FOR A PARTICULAR PURPOSE. See the GNU General Public License for
 more details.
 .
 On Debian systems, the complete text of the GNU General Public License
 version 2 can be found in /usr/share/common-licenses/GPL-2.

License: BSD-2-Clause
${bsd_field}
")
