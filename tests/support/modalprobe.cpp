// Polling for the modal window from the event loop it runs in.
#include "modalprobe.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

void WhenModal(std::function<void(QWidget*)> inspect)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            timer->stop();
            timer->deleteLater();
            inspect(modal);
            // A window the test did not close is a failure, not a hang.
            QTimer::singleShot(3000, modal, [modal] {
                ADD_FAILURE() << "the modal window was left open";
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->done(QDialog::Rejected);
            });
        } else if (++*waited > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window came up";
        }
    });
    timer->start();
}
