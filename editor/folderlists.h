// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The three lists the card-set editor browses folders with: the drives
// (the mounted volumes and the root), the folders of one directory, and
// that directory's files.

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

// The mounted volumes the user can browse, by their root paths; always
// includes "/".
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveList(QWidget *parent = nullptr);

    static QStringList volumeRoots();
    QString drive() const { return currentText(); }
    // Selects the volume that holds path, without announcing a change.
    void showDriveOf(const QString &path);
    // The root of the volume that holds path, among roots.
    static QString driveOf(const QString &path, const QStringList &roots);
};

// The folders of one directory. ".." (first, except at the root) goes up;
// double-click or Enter opens a folder. Every change of the directory is
// announced by changed().
class DirList : public QListWidget
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Makes folder the current directory; false (and nothing changes) when
    // it is not a folder that can be listed.
    bool setPath(const QString &folder);
    // Opens the folder of the given row ("..": the parent).
    bool open(int row);
    // The row of a folder by its name, or -1.
    int rowOf(const QString &name) const;

    static constexpr const char *Up = "..";

Q_SIGNALS:
    void changed();
    // A key typed in the list, by its character code (Esc is 27).
    void keyPressed(int keyAscii);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fill(const QString &select);
    QString m_path;
};

// The files of one directory, to look at only.
class FileList : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString &folder);

private:
    QString m_path;
};
