# SPDX-License-Identifier: GPL-2.0-or-later
# Precompiled headers for the targets whose files spend most of their compile
# time reading the same large headers (Qt Widgets, GoogleTest and GoogleMock).
# The agent's files spend theirs instantiating cpp-httplib and JSON, which a
# precompiled header does not save, so they go without. They shorten a build without a compiler cache, as
# CI's fresh clone is; under ccache they would only make every such file
# uncacheable.
# Targets of one or two files gain nothing and go without.
# Each target gets its own header, built with its own flags (a header shared
# through REUSE_FROM would be refused by targets with other definitions).
# Off until a cold build and a sanitizer build with them have both been checked;
# under ccache they must stay off, since they make every such file uncacheable.
option(LUMIVO_PCH "Precompile the large headers of the Qt and test targets" OFF)

set(LUMIVO_PCH_STD <algorithm> <cstdint> <cstring> <filesystem> <fstream> <functional> <map> <memory>
    <optional> <sstream> <string> <thread> <vector>)
set(LUMIVO_PCH_QT <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QDialogButtonBox> <QDir>
    <QFile> <QFileInfo> <QFormLayout> <QHBoxLayout> <QImage> <QLabel> <QListWidget> <QMenu> <QMessageBox>
    <QMimeData> <QObject> <QPainter> <QPushButton> <QSpinBox> <QString> <QStringList> <QTimer> <QUndoStack>
    <QVBoxLayout> <QWidget>)
set(LUMIVO_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)
set(LUMIVO_PCH_QTTEST <QSignalSpy> <QTest>)

# lumivo_pch(TARGET KIND...): KIND is QT, TEST or QTTEST.
function(lumivo_pch target)
  if(NOT LUMIVO_PCH OR NOT TARGET ${target})
    return()
  endif()
  set(headers ${LUMIVO_PCH_STD})
  foreach(kind ${ARGN})
    list(APPEND headers ${LUMIVO_PCH_${kind}})
  endforeach()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

lumivo_pch(lumivo_app QT)
lumivo_pch(lumivo_gui_tests QT TEST QTTEST)
foreach(tests common_tests qvr_tests serio_tests lumivo_core_tests qvrbuild_tests)
  lumivo_pch(${tests} TEST)
endforeach()
lumivo_pch(agent_tests TEST)
lumivo_pch(agent_mqtt_tests TEST)
