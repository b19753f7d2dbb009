// The dialog of copying between account sets: choosing the source in a file dialog that opens
// again after a refusal, the options enabled by what the source offers, and the copy with its
// progress bar.
#include "accountset/ui/set_copy_dialog.h"

#include "accountset/new_year.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "session/ui/login_dialog.h"
#include "store/backup.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

// The program's file dialog for a year file, starting in folder with the proposed name. A name
// that does not exist is returned as typed: the checks of the copy tell what is wrong with it.
QString chooseYearFile(QWidget* parent, const QString& folder, const QString& proposedName)
{
    QFileDialog dialog(parent, qtText(kCopySourceChooserTitle), folder, yearFileFilter());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("打开"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    // Sizes, types and dates as the login's chooser writes them.
    dialog.setProxyModel(new YearFileListModel(&dialog));
    dialog.selectFile(proposedName);
    dialog.resize(700, 440);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QLineEdit* readOnlyField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

} // namespace

CopyProgressBar::CopyProgressBar(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CopyProgressBar::setProgress(int current, int total)
{
    m_current = current;
    m_total = total;
    update();
}

QSize CopyProgressBar::sizeHint() const
{
    return QSize(240, fontMetrics().height() + 8);
}

void CopyProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 1;
    frame.frameShape = QFrame::Panel;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    if (m_total <= 0 || inner.width() <= 0)
        return;
    const long long done = std::clamp(m_current, 0, m_total);
    const int width = static_cast<int>(done * inner.width() / m_total);
    painter.fillRect(QRect(inner.left(), inner.top(), width, inner.height()), palette().color(QPalette::Highlight));
}

CSetCopyDlg::CSetCopyDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_chooser(chooseYearFile)
{
    setWindowTitle(qtText(kCopyDialogTitle));

    m_unit = readOnlyField(this);
    m_file = readOnlyField(this);
    auto* source = new QGridLayout;
    source->addWidget(new QLabel(QStringLiteral("源帐套名:"), this), 0, 0);
    source->addWidget(m_unit, 0, 1);
    source->addWidget(new QLabel(QStringLiteral("文    件:"), this), 1, 0);
    source->addWidget(m_file, 1, 1);
    source->setColumnStretch(1, 1);

    auto* items = new QGroupBox(QStringLiteral("拷贝内容"), this);
    auto* itemGrid = new QGridLayout(items);
    for (size_t i = 0; i < kCopyItems.size(); ++i) {
        auto* box = new QCheckBox(qtText(copyItemCaption(kCopyItems[i])), items);
        box->setEnabled(false);
        connect(box, &QCheckBox::toggled, this, [this] { updateButtons(); });
        m_items[i] = box;
        itemGrid->addWidget(box, static_cast<int>(i % 3), static_cast<int>(i / 3));
    }

    m_status = new QLabel(qtText(kCopyChooseSourceHint), this);
    m_status->setTextFormat(Qt::PlainText);

    m_progressArea = new QWidget(this);
    m_bar = new CopyProgressBar(m_progressArea);
    m_percent = new QLabel(qtText(copyProgressText(0, 0)), m_progressArea);
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100％")) + 4);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* progress = new QHBoxLayout(m_progressArea);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->addWidget(m_bar, 1);
    progress->addWidget(m_percent);
    // Hidden until a copy runs, without the dialog changing its size.
    QSizePolicy keepRoom = m_progressArea->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_progressArea->setSizePolicy(keepRoom);
    m_progressArea->hide();

    m_choose = new QPushButton(QStringLiteral("选帐套"), this);
    m_ok = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_ok->setEnabled(false);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_choose);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* left = new QVBoxLayout;
    left->addLayout(source);
    left->addWidget(items);
    left->addWidget(m_status);
    left->addWidget(m_progressArea);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(m_choose, &QPushButton::clicked, this, &CSetCopyDlg::chooseSource);
    connect(m_ok, &QPushButton::clicked, this, &CSetCopyDlg::copyItems);
    connect(m_cancel, &QPushButton::clicked, this, &CSetCopyDlg::reject);

    updateButtons();
    setMinimumWidth(460);
    m_choose->setFocus();
}

void CSetCopyDlg::openCopy(CKszwEnv& env, Prompt& prompt, QWidget* parent)
{
    CSetCopyDlg dialog(env, prompt, parent);
    dialog.exec();
}

void CSetCopyDlg::chooseSource()
{
    QString folder = QString::fromStdString(accountSetFolder(m_env));
    QString name = QString::number(m_env.year());
    for (;;) {
        const QString chosen = m_chooser(this, folder, name);
        if (chosen.isEmpty())
            return;
        if (std::optional<CopySource> source = chooseCopySource(m_env, chosen.toStdString(), m_prompt)) {
            showSource(*source);
            return;
        }
        // Refused: the chooser opens again where the refused name was.
        const QFileInfo refused(chosen);
        folder = refused.absolutePath();
        name = refused.fileName();
    }
}

void CSetCopyDlg::showSource(const CopySource& source)
{
    m_source = source;
    m_unit->setText(qtText(source.unitName));
    m_file->setText(QString::fromStdString(source.path));
    m_file->setCursorPosition(0);
    for (CopyItem item : kCopyItems) {
        QCheckBox* box = itemBox(item);
        box->setChecked(false);
        box->setEnabled(source.availability.available(item));
        const std::optional<std::string> reason = source.availability.unavailableReason(item);
        box->setToolTip(reason ? displayText(*reason) : QString());
    }
    m_status->setText(qtText(kCopyChooseItemsHint));
    updateButtons();
    for (QCheckBox* box : m_items)
        if (box->isEnabled()) {
            box->setFocus();
            break;
        }
}

CopySelection CSetCopyDlg::selection() const
{
    CopySelection ticked;
    for (CopyItem item : kCopyItems)
        ticked[item] = itemBox(item)->isEnabled() && itemBox(item)->isChecked();
    return ticked;
}

void CSetCopyDlg::updateButtons()
{
    const bool any = !m_copying && selection().any();
    m_ok->setEnabled(any);
    // Enter confirms once something is ticked, and chooses a source before.
    m_ok->setDefault(any);
    m_choose->setDefault(!any && !m_copying);
}

void CSetCopyDlg::setCopying(bool copying)
{
    m_copying = copying;
    m_choose->setEnabled(!copying);
    m_cancel->setEnabled(!copying);
    for (CopyItem item : kCopyItems)
        itemBox(item)->setEnabled(!copying && m_source && m_source->availability.available(item));
    m_progressArea->setVisible(copying);
    updateButtons();
}

void CSetCopyDlg::showProgress(const CopyProgress& progress)
{
    m_bar->setProgress(progress.current, progress.total);
    m_percent->setText(qtText(copyProgressText(progress.current, progress.total)));
    m_status->setText(qtText(copyStatusText(progress.item)));
    // The bar counts subjects, template lines and classes; the tables copied whole come after.
    m_progressArea->setVisible(progress.item != CopyItem::Variables && progress.item != CopyItem::Formats
                                && progress.item != CopyItem::Reports);
    // The copy runs on this thread: paint now rather than when it is over.
    m_progressArea->repaint();
    m_status->repaint();
    emit copyProgressed(progress.current, progress.total);
}

void CSetCopyDlg::copyItems()
{
    if (!m_source || m_copying)
        return;
    // The copy changes this year for good: a backup of it first, when the user wants one.
    if (offerBackupFirst(m_env.db(), m_env.year(), SystemClock(), m_prompt) == BackupOffer::Cancelled)
        return;
    const CopySelection ticked = selection();
    const std::string sourcePath = m_source->path;
    m_bar->setProgress(0, copyTotal(m_source->availability, ticked));
    m_percent->setText(qtText(copyProgressText(0, 0)));
    setCopying(true);
    CopyResult result;
    try {
        result = copySetInformation(m_env, sourcePath, ticked, m_prompt,
                                    [this](const CopyProgress& progress) { showProgress(progress); });
    } catch (const DatabaseError& error) {
        setCopying(false);
        m_status->setText(qtText(kCopyChooseItemsHint));
        m_prompt.warn(userMessage(error));
        return;
    }
    if (result.outcome == CopyOutcome::Copied) {
        m_copying = false;
        m_status->setText(qtText(kCopyFinished));
        m_prompt.tell(kCopyFinished, Icon::Information, kMessageCaption);
        accept();
        return;
    }
    setCopying(false);
    m_status->setText(qtText(kCopyChooseItemsHint));
    if (result.outcome == CopyOutcome::Refused) {
        // The current file changed meanwhile (a voucher saved by another program): what may be
        // ticked is counted again.
        SilentPrompt silent;
        if (std::optional<CopySource> again = chooseCopySource(m_env, sourcePath, silent))
            showSource(*again);
    }
}

void CSetCopyDlg::reject()
{
    if (m_copying)
        return;
    QDialog::reject();
}

} // namespace kszw
