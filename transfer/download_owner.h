// The window that started the download owns its progress window.
#pragma once

class QWidget;

void SetDownloadOwner(QWidget* owner);
