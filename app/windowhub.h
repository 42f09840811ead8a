// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Keeps every window of the program: each exists at most once, is created
// on its first opening, shown again as it was left after being hidden, and
// created afresh after its close box destroyed it. No window is modal or
// owned by another.

#include <QObject>
#include <QPointer>

#include <functional>

class Module1;
class FrmMenu;
class FrmHelp;
class FrmAbout;
class FrmEdit;
class FrmKaruto;
class FrmMain;
class FrmSettei;
class MatchSettings;
class SoundDevice;

class WindowHub : public QObject
{
    Q_OBJECT

public:
    explicit WindowHub(Module1 &data, QObject *parent = nullptr);
    ~WindowHub() override;

    Module1 &data() { return m_data; }

    // Makes the one sound device of a window, owned by that window. The
    // real device by default; tests put a recording one in its place.
    std::function<SoundDevice *(QObject *owner)> soundFactory;

    // The start menu, created (which loads the card data) on first use.
    FrmMenu *menu();
    // The windows that exist now, or null.
    FrmHelp *help() const;
    FrmAbout *about() const;
    FrmEdit *edit() const;
    FrmKaruto *karuto() const;
    FrmMain *reading() const;
    FrmSettei *settei() const;

    void showHelp();
    void showAbout();
    // The card-set editor, filled from the card state each time.
    void showEdit();
    void showKaruto();
    // The automatic reading window.
    void showReading();
    void showSettei();

    // The settings a match starts from. With no settings window one is
    // created, hidden and with its defaults, and stays.
    MatchSettings &matchSettings();

    // Ends the program at once: every window goes without its closing
    // handler running, nothing is asked and nothing is saved.
    void endProgram();

private:
    template <class Window, class... Args>
    Window *ensure(QPointer<Window> &slot, Args &&...args);
    void destroyAll();

    Module1 &m_data;
    QPointer<FrmMenu> m_menu;
    QPointer<FrmHelp> m_help;
    QPointer<FrmAbout> m_about;
    QPointer<FrmEdit> m_edit;
    QPointer<FrmKaruto> m_karuto;
    QPointer<FrmMain> m_reading;
    QPointer<FrmSettei> m_settei;
};
