#include "components/DlgDirFm.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStorageInfo>

namespace {

constexpr int PathRole = Qt::UserRole + 1;

QString ListForm(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool IsExistingFolder(const QString &text)
{
    return !text.isEmpty() && QFileInfo(text).isDir();
}

bool EndsWithSeparator(const QString &text)
{
    return text.endsWith(u'\\') || text.endsWith(u'/');
}

// The file-system roots and mount points this host offers as "drives".
QStringList DriveRoots()
{
    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots.append(ListForm(drive.absoluteFilePath()));
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots.append(ListForm(volume.rootPath()));
    }
    roots.removeDuplicates();
    roots.sort();
    return roots;
}

} // namespace

TDirectoryList::TDirectoryList(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("DirBox"));
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
        [this](QListWidgetItem *item) { setDirectory(item->data(PathRole).toString()); });
}

void TDirectoryList::setDirectory(const QString &path)
{
    if (!IsExistingFolder(path))
        return;
    const QString directory = ListForm(path);
    if (directory == m_directory)
        return;
    m_directory = directory;
    fill();
    Q_EMIT directoryChanged(m_directory);
}

void TDirectoryList::fill()
{
    clear();
    // The path from the root down to the current folder, each step indented a little more.
    QStringList chain;
    QDir dir(m_directory);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    int depth = 0;
    for (const QString &step : chain) {
        const QString name
            = QFileInfo(step).fileName().isEmpty() ? step : QFileInfo(step).fileName();
        auto *item = new QListWidgetItem(QString(depth * 2, u' ') + name, this);
        item->setData(PathRole, step);
        item->setSizeHint(QSize(item->sizeHint().width(), 16));
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QStringList subFolders
        = QDir(m_directory)
              .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &sub : subFolders) {
        auto *item = new QListWidgetItem(QString(depth * 2, u' ') + sub, this);
        item->setData(PathRole, QDir(m_directory).filePath(sub));
    }
}

TGetDirectory::TGetDirectory(const QString &title, const QString &startValue, bool showAlias,
    const QStringList &aliasNames, QWidget *parent)
    : QDialog(parent)
    , m_startValue(startValue)
    , m_showAlias(showAlias)
{
    setObjectName(QStringLiteral("GetDirectory"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("Directory Browser") : title);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    setFixedSize(465, 244);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    setFont(font);

    m_lblDrive = new QLabel(QStringLiteral("D&rive:"), this);
    m_lblDrive->setObjectName(QStringLiteral("LblDrive"));
    m_lblDrive->move(5, 3);
    m_drvBox = new QComboBox(this);
    m_drvBox->setObjectName(QStringLiteral("DrvBox"));
    m_drvBox->setGeometry(5, 20, 151, 20);
    m_drvBox->addItems(DriveRoots());
    m_lblDrive->setBuddy(m_drvBox);

    m_lblDir = new QLabel(QStringLiteral("&Directories:"), this);
    m_lblDir->setObjectName(QStringLiteral("LblDir"));
    m_lblDir->move(160, 3);
    m_edtDir = new QLineEdit(this);
    m_edtDir->setObjectName(QStringLiteral("EdtDir"));
    m_edtDir->setGeometry(160, 20, 231, 22);
    m_lblDir->setBuddy(m_edtDir);

    m_dirBox = new TDirectoryList(this);
    m_dirBox->setGeometry(5, 43, 386, 158);

    m_lblAlias = new QLabel(QStringLiteral("&Alias:"), this);
    m_lblAlias->setObjectName(QStringLiteral("LblAlias"));
    m_lblAlias->move(5, 203);
    m_comAlias = new QComboBox(this);
    m_comAlias->setObjectName(QStringLiteral("ComAlias"));
    m_comAlias->setGeometry(5, 220, 145, 22);
    m_lblAlias->setBuddy(m_comAlias);
    m_lblAlias->setVisible(showAlias);
    m_comAlias->setVisible(showAlias);
    if (showAlias) {
        QStringList names = aliasNames;
        names.sort(Qt::CaseInsensitive);
        m_comAlias->addItems(names);
        m_comAlias->setCurrentIndex(-1);
    }

    m_btnOkay = new QPushButton(QStringLiteral("Okay"), this);
    m_btnOkay->setObjectName(QStringLiteral("BtnOkay"));
    m_btnOkay->setGeometry(395, 20, 65, 25);
    m_btnOkay->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("BtnCancel"));
    m_btnCancel->setGeometry(395, 47, 65, 25);
    m_btnHelp = new QPushButton(QStringLiteral("Help"), this);
    m_btnHelp->setObjectName(QStringLiteral("BtnHelp"));
    m_btnHelp->setGeometry(395, 74, 65, 25);
    m_btnHelp->setEnabled(false);

    setTabOrder(m_drvBox, m_edtDir);
    setTabOrder(m_edtDir, m_dirBox);
    setTabOrder(m_dirBox, m_comAlias);
    setTabOrder(m_comAlias, m_btnOkay);
    setTabOrder(m_btnOkay, m_btnCancel);
    setTabOrder(m_btnCancel, m_btnHelp);

    connect(m_drvBox, &QComboBox::activated, this, &TGetDirectory::DrvBoxChange);
    connect(m_dirBox, &TDirectoryList::directoryChanged, this, &TGetDirectory::DirBoxChange);
    connect(m_edtDir, &QLineEdit::textChanged, this, &TGetDirectory::EdtDirChange);
    connect(m_comAlias, &QComboBox::activated, this, &TGetDirectory::ComAliasChange);
    connect(m_btnOkay, &QPushButton::clicked, this, &TGetDirectory::BtnOkayClick);
    connect(m_btnCancel, &QPushButton::clicked, this, &TGetDirectory::BtnCancelClick);

    // The process's current folder until the starting folder is applied at show time.
    m_dirBox->setDirectory(QDir::currentPath());
    selectDriveOf(m_dirBox->directory());
}

void TGetDirectory::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void TGetDirectory::FormShow()
{
    m_edtDir->setText(m_dirBox->directory());
    QString start = m_startValue;
    const int alias = m_showAlias ? m_comAlias->findText(start) : -1;
    if (alias >= 0) {
        m_comAlias->setCurrentIndex(alias);
        m_comAlias->setFocus();
    } else {
        if (!IsExistingFolder(start))
            start = QDir::currentPath();
        m_dirBox->setDirectory(start);
        m_edtDir->setText(m_dirBox->directory());
        m_edtDir->setFocus();
    }
    m_result = start;
}

void TGetDirectory::DrvBoxChange(int index)
{
    if (index < 0)
        return;
    m_dirBox->setDirectory(m_drvBox->itemText(index));
    if (isVisible())
        m_dirBox->setFocus();
}

void TGetDirectory::DirBoxChange(const QString &directory)
{
    selectDriveOf(directory);
    if (m_edtDir->text() != directory)
        m_edtDir->setText(directory);
}

void TGetDirectory::EdtDirChange(const QString &text)
{
    const bool exists = IsExistingFolder(text);
    if (exists && !EndsWithSeparator(text))
        m_dirBox->setDirectory(text);
    // The list may have put its own form of the path into the box meanwhile.
    const QString current = m_edtDir->text();
    const bool currentExists = current == text ? exists : IsExistingFolder(current);
    m_btnOkay->setEnabled(currentExists);
    if (currentExists)
        m_result = current;
}

void TGetDirectory::ComAliasChange(int index)
{
    if (index >= 0)
        m_result = m_comAlias->itemText(index);
}

void TGetDirectory::BtnOkayClick()
{
    accept();
}

void TGetDirectory::BtnCancelClick()
{
    reject();
}

void TGetDirectory::selectDriveOf(const QString &directory)
{
    // The drive is the longest root that the folder lies under.
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_drvBox->count(); ++i) {
        const QString root = m_drvBox->itemText(i);
        const bool under
            = directory == root || directory.startsWith(root.endsWith(u'/') ? root : root + u'/');
        if (under && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker blocker(m_drvBox);
    m_drvBox->setCurrentIndex(best);
}
