// A player opened on a clip through OpenDataFile, answered by the scripted operator.
#pragma once

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "playback/frm_play.h"
#include "playback/open_data_file.h"
#include "playback/playback_state.h"
#include "tests/playback/clip_files.h"
#include "tests/support/scripted_ui.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <gtest/gtest.h>

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Windows().frmMain = &mainWindow;
        mainWindow.show();
        g_lngViewMode = 3; // as the main window's "Play" leaves it
        g_blnDebug = false;
        g_strAppPath = dir.path() + u'/';
    }
    void TearDown() override {
        delete Windows().frmPlay.data();
        Windows().frmMain = nullptr;
        g_lngViewMode = 0;
        g_blnDebug = false;
    }
    // Opens path in a player; null when OpenDataFile refused it.
    frmPlay* Open(const QString& path) {
        ui.fileAnswers.push_back(path);
        OpenDataFile();
        return static_cast<frmPlay*>(Windows().frmPlay.data());
    }
    frmPlay* OpenClip(const ClipShape& shape = {}, const QString& name = QStringLiteral("clip.dat")) {
        return Open(WriteClip(dir.file(name), shape));
    }

    QWidget mainWindow;
    ScriptedUi ui;
    ClipDir dir;
};
