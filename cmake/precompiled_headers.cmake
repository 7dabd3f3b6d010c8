# Precompiled headers. Nearly all of a program or test file's compile time goes into parsing Qt's
# and GoogleTest's headers, once per file. Each list is precompiled once, by one target, and reused by
# the targets built with the same options: the program's libraries from zrk_core, the Qt tests from
# zrk_test_pch. Files still include what they use: ZRK_PCH=OFF builds the same sources without them.
option(ZRK_PCH "Precompile the Qt and GoogleTest headers" ON)

set(ZRK_PCH_QT
  <cstdint> <functional> <memory> <optional> <string> <vector>
  <QtCore/QByteArray> <QtCore/QCoreApplication> <QtCore/QDateTime> <QtCore/QDir> <QtCore/QElapsedTimer>
  <QtCore/QFile> <QtCore/QFileInfo> <QtCore/QObject> <QtCore/QPointer> <QtCore/QString>
  <QtCore/QStringList> <QtCore/QTimer> <QtNetwork/QTcpServer> <QtNetwork/QTcpSocket>
  <QtWidgets/QApplication> <QtWidgets/QCheckBox> <QtWidgets/QGroupBox> <QtWidgets/QLabel>
  <QtWidgets/QBoxLayout> <QtWidgets/QGridLayout> <QtWidgets/QMessageBox> <QtWidgets/QPushButton>
  <QtWidgets/QRadioButton> <QtWidgets/QSlider> <QtWidgets/QWidget>)
# Not QtTest: linking it defines a macro that differs between test folders, which would make the
# precompiled headers unusable.
set(ZRK_PCH_QT_TEST <gtest/gtest.h> <gmock/gmock.h> <QtCore/QTemporaryDir>)

# zrk_precompile(TARGET HEADERS...): TARGET precompiles the headers for itself and its reusers.
function(zrk_precompile target)
  if(ZRK_PCH AND TARGET ${target})
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# zrk_reuse_precompiled(TARGET DONOR): TARGET, built with DONOR's options, uses DONOR's headers. The
# kind of target must match too (a library's -fPIC against an executable's -fPIE).
function(zrk_reuse_precompiled target donor)
  if(ZRK_PCH AND TARGET ${target} AND TARGET ${donor})
    target_precompile_headers(${target} REUSE_FROM ${donor})
  endif()
endfunction()
