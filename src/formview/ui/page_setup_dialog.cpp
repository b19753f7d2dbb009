#include "formview/ui/page_setup_dialog.h"

#include "common/prompt.h"
#include "common/ui/qt_prompt.h"
#include "formview/page_rules.h"
#include "formview/ui/font_mapping.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kszw {

namespace {

const char* const kAreaNames[4] = {"标题", "页头", "正文", "页脚"};

QDoubleSpinBox* millimetreBox(QWidget* parent, const char* name)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(1);
    box->setRange(-9999.9, 9999.9);
    box->setSingleStep(0.5);
    box->setAlignment(Qt::AlignRight);
    box->setLocale(QLocale::c());
    return box;
}

QString pointText(int height)
{
    return QString::number(pointSize(height), 'g', 4);
}

} // namespace

PageSetupDialog::PageSetupDialog(const ViewSettings& settings, int nFlag, std::string fieldMode, Prompt& prompt,
                                 QWidget* parent)
    : QDialog(parent), m_original(settings), m_settings(settings), m_nFlag(nFlag), m_fieldMode(std::move(fieldMode)),
      m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("岚屿穗软件－页面设置"));
    auto* layout = new QVBoxLayout(this);

    auto* paper = new QGroupBox(QStringLiteral("页面(毫米)"), this);
    auto* paperForm = new QFormLayout(paper);
    m_width = millimetreBox(paper, "width");
    m_length = millimetreBox(paper, "length");
    m_lineSpacing = millimetreBox(paper, "lineSpacing");
    paperForm->addRow(QStringLiteral("宽"), m_width);
    paperForm->addRow(QStringLiteral("长"), m_length);
    paperForm->addRow(QStringLiteral("行距"), m_lineSpacing);

    auto* margins = new QGroupBox(QStringLiteral("页边距(毫米)"), this);
    auto* marginForm = new QFormLayout(margins);
    m_head = millimetreBox(margins, "head");
    m_foot = millimetreBox(margins, "foot");
    m_left = millimetreBox(margins, "left");
    m_right = millimetreBox(margins, "right");
    marginForm->addRow(QStringLiteral("上"), m_head);
    marginForm->addRow(QStringLiteral("下"), m_foot);
    marginForm->addRow(QStringLiteral("左"), m_left);
    marginForm->addRow(QStringLiteral("右"), m_right);

    auto* groups = new QHBoxLayout;
    groups->addWidget(paper);
    groups->addWidget(margins);
    layout->addLayout(groups);

    m_fonts = new QTreeWidget(this);
    m_fonts->setRootIsDecorated(false);
    m_fonts->setHeaderLabels({QStringLiteral("区域"), QStringLiteral("字体"), QStringLiteral("字号"),
                              QStringLiteral("字样"), QStringLiteral("颜色"), QStringLiteral("下划线"),
                              QStringLiteral("删除线")});
    m_fonts->header()->setMinimumSectionSize(64);
    m_fonts->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_fonts->setMinimumHeight(130);
    connect(m_fonts, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { chooseFont(item); });
    layout->addWidget(m_fonts);

    auto* rules = new QPushButton(QStringLiteral("表线..."), this);
    auto* frame = new QPushButton(QStringLiteral("框线..."), this);
    auto* copy = new QPushButton(QStringLiteral("拷贝(&C)"), this);
    auto* defaults = new QPushButton(QStringLiteral("取默认值(&G)"), this);
    auto* ok = new QPushButton(QStringLiteral("确认(&S)"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消(&X)"), this);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {rules, frame, copy, defaults})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(rules, &QPushButton::clicked, this,
            [this] { chooseColor(m_settings.page.formLine, QStringLiteral("表线颜色")); });
    connect(frame, &QPushButton::clicked, this,
            [this] { chooseColor(m_settings.page.outBox, QStringLiteral("框线颜色")); });
    connect(copy, &QPushButton::clicked, this, [this] {
        const QString path = chooseSourceFile();
        if (!path.isEmpty())
            copyFromFile(path);
    });
    connect(defaults, &QPushButton::clicked, this, &PageSetupDialog::restoreDefaults);
    connect(ok, &QPushButton::clicked, this, &PageSetupDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    chooseSourceFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("请选择要拷贝页面格式的帐务源文件"), QString(),
                                            QStringLiteral("岚屿穗帐务数据文件(*.KSK *.ksk)"));
    };
    showSettings(m_settings);
}

QDoubleSpinBox* PageSetupDialog::field(const char* name) const
{
    return findChild<QDoubleSpinBox*>(QString::fromLatin1(name));
}

void PageSetupDialog::showSettings(const ViewSettings& settings)
{
    const PageSettings& p = settings.page;
    const std::pair<QDoubleSpinBox*, int> values[] = {
        {m_width, p.pageWidth}, {m_length, p.pageLength}, {m_lineSpacing, p.pageRow}, {m_head, p.pageTop},
        {m_foot, p.pageBottom}, {m_left, p.pageLeft},     {m_right, p.pageRight}};
    for (const auto& [box, tenths] : values)
        box->setValue(tenths / 10.0);
    refreshFontList();
}

void PageSetupDialog::refreshFontList()
{
    m_fonts->clear();
    const RgbColor colours[4] = {m_settings.page.topicColor, m_settings.page.headColor, m_settings.page.textColor,
                                 m_settings.page.tailColor};
    for (int i = 0; i < 4; ++i) {
        const FontSpec& font = m_settings.fonts[static_cast<size_t>(i)];
        auto* item = new QTreeWidgetItem(
            m_fonts, {QString::fromUtf8(kAreaNames[i]), QString::fromStdString(font.faceName), pointText(font.height),
                      qtText(fontStyleName(font)), qtText(colorName(colours[i])),
                      qtText(checkMark(font.underline != 0)), qtText(checkMark(font.strikeOut != 0))});
        item->setData(0, Qt::UserRole, i);
    }
}

void PageSetupDialog::chooseFont(QTreeWidgetItem* item)
{
    const int index = item->data(0, Qt::UserRole).toInt();
    FontSpec& spec = m_settings.fonts[static_cast<size_t>(index)];
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, toQFont(spec), this, QString::fromUtf8(kAreaNames[index]));
    if (!ok)
        return;
    spec = fromQFont(font, spec);
    RgbColor* colours[4] = {&m_settings.page.topicColor, &m_settings.page.headColor, &m_settings.page.textColor,
                            &m_settings.page.tailColor};
    chooseColor(*colours[index], QString::fromUtf8(kAreaNames[index]) + QStringLiteral("颜色"));
    refreshFontList();
}

void PageSetupDialog::chooseColor(RgbColor& color, const QString& title)
{
    const QColor chosen = QColorDialog::getColor(toQColor(color), this, title);
    if (chosen.isValid())
        color = fromQColor(chosen);
    refreshFontList();
}

void PageSetupDialog::restoreDefaults()
{
    const std::vector<int> widths = m_settings.columnWidths;
    m_settings = defaultViewSettings();
    m_settings.columnWidths = widths;
    showSettings(m_settings);
}

void PageSetupDialog::copyFromFile(const QString& path)
{
    CKszwEnv source;
    try {
        if (source.openFile(path.toStdString(), "", m_prompt) != kLoginOk)
            return;
        ViewSettings copied = LoadViewSettings(source.db(), m_nFlag, m_fieldMode);
        copied.columnWidths = m_settings.columnWidths;
        m_settings = copied;
        showSettings(m_settings);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, path.toStdString()));
    }
}

void PageSetupDialog::confirm()
{
    PageSetupValues values{m_width->value(), m_length->value(), m_lineSpacing->value(), m_head->value(),
                           m_foot->value(),  m_left->value(),   m_right->value()};
    if (auto refusal = checkPageSetup(values)) {
        m_prompt.tell(refusal->message, Icon::Exclamation, kPageSetupCaption);
        QDoubleSpinBox* boxes[] = {m_width, m_length, m_lineSpacing, m_head, m_foot, m_left, m_right};
        QDoubleSpinBox* box = boxes[static_cast<int>(refusal->field)];
        box->setFocus();
        box->selectAll();
        return;
    }
    PageSettings& p = m_settings.page;
    p.pageWidth = tenthsOfMillimetre(values.width);
    p.pageLength = tenthsOfMillimetre(values.length);
    p.pageRow = tenthsOfMillimetre(values.lineSpacing);
    p.pageTop = tenthsOfMillimetre(values.head);
    p.pageBottom = tenthsOfMillimetre(values.foot);
    p.pageLeft = tenthsOfMillimetre(values.left);
    p.pageRight = tenthsOfMillimetre(values.right);
    accept();
}

} // namespace kszw
