#include "piecework/JjDataSel.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "piecework/PieceData.h"
#include "piecework/PieceFields.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MonthPicker.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

QPointer<TfrmJjDataSel> TfrmJjDataSel::s_shared;

TfrmJjDataSel *TfrmJjDataSel::shared(QWidget *mainWindow)
{
    if (!s_shared)
        s_shared = new TfrmJjDataSel(mainWindow);
    return s_shared;
}

TfrmJjDataSel::TfrmJjDataSel(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmJjDataSel"));
    setWindowTitle(QStringLiteral("请选择过滤条件"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    edtMonth = new MonthPicker(QDate(2000, 1, 1), this); // rolls over the year
    edtMonth->setObjectName(QStringLiteral("edtMonth"));
    edtMonth->setDisplayFormat(QStringLiteral("yyyy-MM"));
    edtMonth->setCalendarPopup(false);
    edtMonth->setDate(QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd")));
    cboGz = new DropDownList(this);
    cboGz->setObjectName(QStringLiteral("cboGz"));
    cboGx = new DropDownList(this);
    cboGx->setObjectName(QStringLiteral("cboGx"));
    cboDepart = new DropDownList(this);
    cboDepart->setObjectName(QStringLiteral("cboDepart"));
    edtCode = new QLineEdit(this);
    edtCode->setObjectName(QStringLiteral("edtCode"));
    edtCode->setMaxLength(20);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(20);
    chkDetail = new QCheckBox(QStringLiteral("是否显示员工明细"), this);
    chkDetail->setObjectName(QStringLiteral("chkDetail"));
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    auto place = [&](int row, int col, const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, col * 2, Qt::AlignRight);
        fields->addWidget(field, row, col * 2 + 1);
    };
    place(0, 0, QStringLiteral("月  份"), edtMonth);
    place(1, 0, QStringLiteral("计件工种"), cboGz);
    place(1, 1, QStringLiteral("计件工序"), cboGx);
    place(2, 0, QStringLiteral("部  门"), cboDepart);
    place(3, 0, QStringLiteral("员工代码"), edtCode);
    place(3, 1, QStringLiteral("员工姓名"), edtName);
    fields->addWidget(chkDetail, 4, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    EnterAsTab::install(this);
    QWidget *order[] = {edtMonth, cboGz, cboGx, cboDepart, edtCode, edtName, chkDetail, btnOk, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    guarded(this, [this] {
        cboGz->setItems(PieceData::jobTypeItems(), 0);
        cboDepart->setItems(PieceData::departItems(), 0);
    });
    connect(cboGz, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { jobTypeChosen(); }); });
    connect(btnOk, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(357, 219);
}

void TfrmJjDataSel::showEvent(QShowEvent *event)
{
    // Centred on the main window.
    if (QWidget *owner = parentWidget()) {
        QRect r = frameGeometry();
        r.moveCenter(owner->window()->frameGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}

void TfrmJjDataSel::jobTypeChosen()
{
    if (cboGz->currentText().isEmpty())
        cboGx->setItems({});
    else
        cboGx->setItems(PieceData::processItems(BracketCode(cboGz->currentText())), 0);
}

PieceFilter TfrmJjDataSel::filter() const
{
    auto code = [](const DropDownList *list) {
        return list->currentText().isEmpty() ? QString() : BracketCode(list->currentText());
    };
    PieceFilter f;
    f.month = edtMonth->date();
    f.gzcode = code(cboGz);
    f.gxcode = code(cboGx);
    f.bmcode = code(cboDepart);
    f.wkcode = edtCode->text();
    f.wkname = edtName->text();
    f.detail = chkDetail->isChecked();
    return f;
}

void TfrmJjDataSel::btnOkClick()
{
    m_query = PieceListing::buildQuery(filter());
    accept();
}

bool TfrmJjDataSel::ask(ListingQuery &query)
{
    if (exec() != QDialog::Accepted)
        return false;
    query = m_query;
    return true;
}

} // namespace jjgz
