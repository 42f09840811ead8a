// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/folderlists.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>

namespace {
QString cleanFolder(const QString &folder)
{
    QString f = QDir::cleanPath(folder);
    while (f.size() > 1 && f.endsWith(u'/'))
        f.chop(1);
    return f;
}

bool isWithin(const QString &path, const QString &root)
{
    return root == u"/" || path == root || path.startsWith(root + u'/');
}

// Kernel and device trees are not places for card sets.
bool isSystemTree(const QString &root)
{
    for (const char *tree : {"/proc", "/sys", "/dev", "/run/user"})
        if (isWithin(root, QLatin1String(tree)))
            return true;
    return false;
}

constexpr auto NameOrder = QDir::Name | QDir::IgnoreCase | QDir::LocaleAware;
} // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    addItems(volumeRoots());
}

QStringList DriveList::volumeRoots()
{
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = cleanFolder(volume.rootPath());
        if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isDir() || isSystemTree(root))
            continue;
        if (!roots.contains(root))
            roots << root;
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

QString DriveList::driveOf(const QString &path, const QStringList &roots)
{
    QString best = QStringLiteral("/");
    for (const QString &root : roots)
        if (isWithin(path, root) && root.size() > best.size())
            best = root;
    return best;
}

void DriveList::showDriveOf(const QString &path)
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemText(i);
    const QSignalBlocker quiet(this);
    setCurrentIndex(roots.indexOf(driveOf(path, roots)));
}

DirList::DirList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { open(row(item)); });
}

bool DirList::setPath(const QString &folder)
{
    const QString target = cleanFolder(folder);
    const QFileInfo info(target);
    if (target.isEmpty() || !QDir::isAbsolutePath(target) || !info.isDir() || !info.isReadable()
        || !info.isExecutable())
        return false;
    if (target == m_path)
        return true;
    const QString from = m_path;
    m_path = target;
    // Coming up from a folder, that folder stays selected.
    fill(QFileInfo(from).dir().absolutePath() == target ? QFileInfo(from).fileName() : QString());
    setToolTip(m_path);
    Q_EMIT changed();
    return true;
}

void DirList::fill(const QString &select)
{
    clear();
    const QStyle *style = QApplication::style();
    if (!QDir(m_path).isRoot())
        addItem(new QListWidgetItem(style->standardIcon(QStyle::SP_FileDialogToParent), QLatin1String(Up)));
    const QStringList folders = QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, NameOrder);
    for (const QString &name : folders)
        addItem(new QListWidgetItem(style->standardIcon(QStyle::SP_DirIcon), name));
    const int selected = select.isEmpty() ? 0 : qMax(0, rowOf(select));
    if (count() > 0)
        setCurrentRow(selected);
}

int DirList::rowOf(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->text() == name)
            return i;
    return -1;
}

bool DirList::open(int row)
{
    const QListWidgetItem *entry = item(row);
    if (!entry)
        return false;
    const QString target = entry->text() == QLatin1String(Up) && row == 0 && !QDir(m_path).isRoot()
        ? QFileInfo(m_path).dir().absolutePath()
        : QDir(m_path).filePath(entry->text());
    if (setPath(target))
        return true;
    QApplication::beep();
    return false;
}

void DirList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Q_EMIT keyPressed(27);
        event->accept();
        return;
    }
    if (!event->text().isEmpty())
        Q_EMIT keyPressed(event->text().at(0).unicode());
    QListWidget::keyPressEvent(event);
}

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::setPath(const QString &folder)
{
    m_path = cleanFolder(folder);
    clear();
    addItems(QDir(m_path).entryList(QDir::Files, NameOrder));
}
