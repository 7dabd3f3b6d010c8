#include "console/frm_date_time.h"

#include "base/shared_state.h"
#include "console/setup_dialogs_common.h"
#include "protocol/command_set.h"
#include "protocol/reply_handlers.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

using setup::Named;

frmSetTime::frmSetTime(QWidget* owner, const QDateTime& moment) : QWidget(owner, Qt::Window), m_owner(owner) {
    setObjectName(QStringLiteral("frmSetTime"));
    setWindowTitle(QStringLiteral("Date/Time Properties"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* fraDate = Named(new QGroupBox(QStringLiteral("Date(&D)"), this), "fraDate");
    dtpDate = Named(new QDateEdit(fraDate), "dtpDate");
    dtpDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    // The window the clock replies are accepted in: every date offered can be sent and read back.
    dtpDate->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    dtpDate->setCalendarPopup(true);
    (new QVBoxLayout(fraDate))->addWidget(dtpDate);

    auto* fraTime = Named(new QGroupBox(QStringLiteral("Time(&T)"), this), "fraTime");
    dtpTime = Named(new QTimeEdit(fraTime), "dtpTime");
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    (new QVBoxLayout(fraTime))->addWidget(dtpTime);

    auto* buttons = setup::OkCancelRow(this, cmdOK, cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraDate);
    layout->addWidget(fraTime);
    layout->addLayout(buttons);

    dtpDate->setDate(moment.date());
    dtpTime->setTime(moment.time());

    setup::SendOnOk(this, cmdOK, [this] {
        SendTIME(TimeText());
        g_blnTimeDialogPending = false;
    });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        g_blnTimeDialogPending = false;
        close();
    });
    setup::FollowConnection(this, [this] { cmdOK->setEnabled(g_blnLinkOpen); });
}

QString frmSetTime::TimeText() const {
    const QDateTime moment(dtpDate->date(), dtpTime->time());
    return QLocale::c().toString(moment, QStringLiteral("yyyy MM dd HH mm ss"));
}

void frmSetTime::closeEvent(QCloseEvent* event) {
    g_blnTimeDialogPending = false;
    setup::ReleaseOwner(m_owner);
    event->accept();
}
