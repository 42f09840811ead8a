// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/windowhub.h"

#include "app/frmmenu.h"
#include "editor/frmedit.h"
#include "help/frmabout.h"
#include "help/frmhelp.h"
#include "match/frmkaruto.h"
#include "reading/frmmain.h"
#include "settings/frmsettei.h"
#include "sound/sinksounddevice.h"

#include <QApplication>

WindowHub::WindowHub(Module1 &data, QObject *parent)
    : QObject(parent),
      soundFactory([](QObject *owner) -> SoundDevice * { return new SinkSoundDevice(owner); }),
      m_data(data)
{
}

WindowHub::~WindowHub()
{
    destroyAll();
    delete m_menu.data();
}

template <class Window, class... Args>
Window *WindowHub::ensure(QPointer<Window> &slot, Args &&...args)
{
    if (!slot) {
        slot = new Window(std::forward<Args>(args)...);
        // The close box destroys the window; the next opening makes a new one.
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    return slot;
}

FrmMenu *WindowHub::menu()
{
    return ensure(m_menu, *this);
}

FrmHelp *WindowHub::help() const
{
    return m_help;
}

FrmAbout *WindowHub::about() const
{
    return m_about;
}

FrmEdit *WindowHub::edit() const
{
    return m_edit;
}

FrmKaruto *WindowHub::karuto() const
{
    return m_karuto;
}

FrmMain *WindowHub::reading() const
{
    return m_reading;
}

FrmSettei *WindowHub::settei() const
{
    return m_settei;
}

void WindowHub::showHelp()
{
    FrmHelp *window = ensure(m_help, m_data);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showAbout()
{
    FrmAbout *window = ensure(m_about);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showEdit()
{
    FrmEdit *window = ensure(m_edit, m_data);
    // Unsaved edits give way to the card state in memory.
    window->DataHyoji();
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showKaruto()
{
    FrmKaruto *window = ensure(m_karuto, *this);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showReading()
{
    FrmMain *window = m_reading ? m_reading.data() : ensure(m_reading, m_data, soundFactory(nullptr));
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showSettei()
{
    FrmSettei *window = ensure(m_settei, *this);
    window->show();
    window->raise();
    window->activateWindow();
}

MatchSettings &WindowHub::matchSettings()
{
    return *ensure(m_settei, *this);
}

void WindowHub::endProgram()
{
    destroyAll();
    QCoreApplication::quit();
}

void WindowHub::destroyAll()
{
    // Deleting, not closing: the windows' close handlers do not run. The
    // menu may be in the middle of its own handler, so it goes last and later.
    QList<QPointer<QWidget>> others{m_help.data(), m_about.data(), m_edit.data(), m_karuto.data(), m_reading.data(), m_settei.data()};
    for (const QPointer<QWidget> &window : others)
        delete window.data();
    if (m_menu) {
        m_menu->hide();
        m_menu->deleteLater();
    }
}
