#include "session/ui/server_dialog.h"

#include "common/prompt.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/location.h"
#include "store/server_years.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>

namespace kszw {

namespace {

constexpr const char* kDefaultHost = "localhost";

// The wait cursor while the server is asked; it goes back however the asking ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The location of host, port and database when it reads back as exactly those names (a name with
// "/", "?", "@" or other characters a location cannot hold does not).
std::optional<ServerLocation> locationOf(const QString& host, int port, const QString& database)
{
    ServerLocation wanted{host.toStdString(), port, database.toStdString(), 0};
    std::optional<ServerLocation> read = parseServerLocation(serverLocationText(wanted));
    if (!read || *read != wanted)
        return std::nullopt;
    return read;
}

} // namespace

CServerDlg::CServerDlg(Prompt& prompt, const QString& location, QWidget* parent) : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("连接服务器"));
    m_host = new QLineEdit(QString::fromLatin1(kDefaultHost), this);
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(kDefaultServerPort);
    m_database = new QLineEdit(this);
    m_database->setMaxLength(63);
    m_read = new QPushButton(QStringLiteral("读取年度"), this);
    m_years = new QComboBox(this);
    m_years->setEditable(false);
    m_years->setMinimumContentsLength(6);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    auto* note = new QLabel(QStringLiteral("用户名和口令取自环境变量 PGUSER、PGPASSWORD 或 ~/.pgpass 文件。"), this);
    note->setEnabled(false);

    if (const std::optional<ServerLocation> given = parseServerLocation(location.toStdString())) {
        m_host->setText(QString::fromStdString(given->host));
        m_port->setValue(given->port);
        m_database->setText(QString::fromStdString(given->database));
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("主机："), this), 0, 0);
    grid->addWidget(m_host, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("端口："), this), 1, 0);
    grid->addWidget(m_port, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("数据库："), this), 2, 0);
    grid->addWidget(m_database, 2, 1);
    grid->addWidget(m_read, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("年度："), this), 3, 0);
    grid->addWidget(m_years, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, m_host->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_host, m_port);
    setTabOrder(m_port, m_database);
    setTabOrder(m_database, m_read);
    setTabOrder(m_read, m_years);
    setTabOrder(m_years, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_read, &QPushButton::clicked, this, &CServerDlg::readYears);
    connect(m_ok, &QPushButton::clicked, this, &CServerDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_host, &QLineEdit::textEdited, this, &CServerDlg::forgetYears);
    connect(m_database, &QLineEdit::textEdited, this, &CServerDlg::forgetYears);
    connect(m_port, &QSpinBox::valueChanged, this, &CServerDlg::forgetYears);
    connect(m_years, &QComboBox::currentIndexChanged, this, &CServerDlg::updateOk);

    forgetYears();
    m_database->setFocus();
}

QString CServerDlg::serverText() const
{
    const std::optional<ServerLocation> location = locationOf(m_host->text().trimmed(), m_port->value(),
                                                              m_database->text().trimmed());
    return location ? QString::fromStdString(serverLocationText(*location)) : QString();
}

QString CServerDlg::currentLocation() const
{
    std::optional<ServerLocation> location = locationOf(m_host->text().trimmed(), m_port->value(),
                                                        m_database->text().trimmed());
    if (!location)
        return QString();
    if (m_years->currentIndex() >= 0)
        location->year = m_years->currentData().toInt();
    return QString::fromStdString(serverLocationText(*location));
}

bool CServerDlg::readYears()
{
    const QString host = m_host->text().trimmed();
    const QString database = m_database->text().trimmed();
    // Each name is checked on its own, with a name known to be good in the other's place, so the
    // message can say which one is wrong.
    const auto refuse = [this](QLineEdit* field, const QString& text) {
        m_prompt.warn(text.toStdString());
        field->setFocus();
        field->selectAll();
        return false;
    };
    if (host.isEmpty())
        return refuse(m_host, QStringLiteral("请输入服务器的主机名！"));
    if (!locationOf(host, m_port->value(), QStringLiteral("x")))
        return refuse(m_host, QStringLiteral("主机名“%1”不正确：只能由字母、数字和“.”“-”“_”组成！").arg(host));
    if (database.isEmpty())
        return refuse(m_database, QStringLiteral("请输入数据库名！"));
    if (!locationOf(QString::fromLatin1(kDefaultHost), m_port->value(), database))
        return refuse(m_database,
                      QStringLiteral("数据库名“%1”不正确：只能由字母、数字和“_”“-”组成，最长 63 个字符！").arg(database));

    const QString server = serverText();
    std::vector<int> years;
    try {
        WaitCursor waiting;
        years = serverYears(server.toStdString());
    } catch (const DatabaseError& error) {
        forgetYears();
        m_prompt.warn(userMessage(error, server.toStdString()));
        return false;
    }
    forgetYears();
    if (years.empty()) {
        m_prompt.warn(QStringLiteral("数据库“%1”中没有年度帐务数据！").arg(database).toStdString());
        m_database->setFocus();
        m_database->selectAll();
        return false;
    }
    for (int year : years)
        m_years->addItem(QString::number(year), year);
    m_years->setEnabled(true);
    m_years->setCurrentIndex(m_years->count() - 1);
    m_years->setFocus();
    return true;
}

void CServerDlg::forgetYears()
{
    m_years->clear();
    m_years->setEnabled(false);
    updateOk();
}

void CServerDlg::updateOk()
{
    m_ok->setEnabled(m_years->currentIndex() >= 0);
}

void CServerDlg::accept()
{
    if (m_years->currentIndex() < 0)
        return;
    m_chosen = currentLocation();
    if (m_chosen.isEmpty())
        return;
    QDialog::accept();
}

void CServerDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter in the server's fields reads the years (it does not confirm a year read earlier).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (focus == m_host || focus == m_database || focus == m_port || m_port->isAncestorOf(focus)) {
            readYears();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

} // namespace kszw
