#include "OperatorRole.h"

#include "app/Application.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "data/OpLog.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {

constexpr int CodeRole = Qt::UserRole;      // the entry's code
constexpr int SavedRole = Qt::UserRole + 1; // granted when the list was loaded or saved
constexpr int Columns = 3;
constexpr int ColumnWidth = 160;
constexpr int RowHeight = 22;

} // namespace

QStringList OperatorGrants::operatorNames()
{
    JetQuery &q = dmMain->qryExec;
    QStringList names;
    forEachRow(q, QStringLiteral("select * from operator where opername<>? order by operno"), {QStringLiteral("admin")},
               [&] { names << q.text(QStringLiteral("opername")); });
    return names;
}

QList<GrantableRole> OperatorGrants::grantableRoles()
{
    JetQuery &q = dmMain->qryExec;
    QList<GrantableRole> roles;
    forEachRow(q, QStringLiteral("select * from roles where flag=0 order by roleid"), {}, [&] {
        roles.append({TextToInt(q.text(QStringLiteral("roleid"))), q.text(QStringLiteral("rolename")).trimmed()});
    });
    return roles;
}

QList<int> OperatorGrants::grantsOf(const QString &operName)
{
    JetQuery &q = dmMain->qryExec;
    QList<int> codes;
    forEachRow(q, QStringLiteral("select * from rolelist where opername=? order by roleid"), {operName},
               [&] { codes << q.value(QStringLiteral("roleid")).toInt(); });
    return codes;
}

QList<int> OperatorGrants::switchedOffCodes()
{
    JetQuery &q = dmMain->qryExec;
    QList<int> codes;
    forEachRow(q, QStringLiteral("select * from roles where flag=1"), {},
               [&] { codes << q.value(QStringLiteral("roleid")).toInt(); });
    return codes;
}

void OperatorGrants::change(const QString &operName, const QList<int> &added, const QList<int> &withdrawn)
{
    if (added.isEmpty() && withdrawn.isEmpty())
        return;
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        ScratchScope scope(q);
        // Every row of a withdrawn grant goes, so that a grant stored twice is withdrawn too.
        for (int code : withdrawn) {
            q.setSql(QStringLiteral("delete from rolelist where opername=? and roleid=?"));
            q.addBind(operName).addBind(code);
            q.exec();
        }
        for (int code : added) {
            q.setSql(QStringLiteral("insert into rolelist (opername, roleid) values (?, ?)"));
            q.addBind(operName).addBind(code);
            q.exec();
        }
        auto codes = [](const QList<int> &list) {
            QStringList texts;
            for (int code : list)
                texts << QString::number(code);
            return texts.isEmpty() ? QStringLiteral("无") : texts.join(u',');
        };
        OpLog::log(OpAction::Grant, operName, QStringLiteral("授予：%1；收回：%2").arg(codes(added), codes(withdrawn)));
    });
}

TfrmOperatorRole::TfrmOperatorRole(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOperatorRole"));
    setWindowTitle(QStringLiteral("权限设定"));

    auto *label = new QLabel(QStringLiteral("操作员名称"), this);
    cboName = new QComboBox(this);
    cboName->setObjectName(QStringLiteral("cboName"));
    cboName->setEditable(false);
    cboName->setMinimumWidth(180);
    label->setBuddy(cboName);

    btnAll = new QPushButton(QStringLiteral("全选"), this);
    btnAll->setObjectName(QStringLiteral("btnAll"));
    btnClear = new QPushButton(QStringLiteral("全清"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    btnSave = new QPushButton(QStringLiteral("保存"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnExit = new QPushButton(QStringLiteral("退出"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    for (QPushButton *b : {btnAll, btnClear, btnSave, btnExit})
        b->setAutoDefault(false);

    auto *nameBox = new QVBoxLayout;
    nameBox->addWidget(label);
    nameBox->addWidget(cboName);
    nameBox->addStretch();
    auto *buttons = new QGridLayout;
    buttons->addWidget(btnAll, 0, 0);
    buttons->addWidget(btnClear, 1, 0);
    buttons->addWidget(btnSave, 0, 1);
    buttons->addWidget(btnExit, 1, 1);
    auto *upper = new QHBoxLayout;
    upper->addLayout(nameBox);
    upper->addStretch();
    upper->addLayout(buttons);

    auto *frame = new QGroupBox(QStringLiteral("权限列表"), this);
    lstRole = new QListWidget(frame);
    lstRole->setObjectName(QStringLiteral("lstRole"));
    // Three columns, filled from top to bottom.
    lstRole->setFlow(QListView::TopToBottom);
    lstRole->setWrapping(true);
    lstRole->setMovement(QListView::Static);
    lstRole->setResizeMode(QListView::Adjust);
    lstRole->setUniformItemSizes(true);
    lstRole->setGridSize(QSize(ColumnWidth, RowHeight));
    lstRole->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(lstRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addWidget(frame, 1);

    cboName->addItems(OperatorGrants::operatorNames());
    for (const GrantableRole &role : OperatorGrants::grantableRoles()) {
        auto *item = new QListWidgetItem(role.name, lstRole);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(CodeRole, role.code);
        item->setData(SavedRole, false);
        item->setCheckState(Qt::Unchecked);
    }
    // Tall enough for every entry in three columns: the list never scrolls.
    lstRole->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstRole->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int rows = std::max(4, int((lstRole->count() + Columns - 1) / Columns));
    const int frameWidth = 2 * lstRole->frameWidth();
    lstRole->setFixedSize(Columns * ColumnWidth + frameWidth + 2, rows * RowHeight + frameWidth + 2);

    connect(cboName, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { loadGrants(); }); });
    connect(btnAll, &QPushButton::clicked, this, [this] { setAllChecked(true); });
    connect(btnClear, &QPushButton::clicked, this, [this] { setAllChecked(false); });
    connect(btnSave, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnSaveClick(); }); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    if (cboName->count() > 0)
        cboName->setCurrentIndex(0);
    loadGrants();
    setFixedSize(sizeHint());
}

int TfrmOperatorRole::rowOf(int code) const
{
    for (int row = 0; row < lstRole->count(); ++row)
        if (lstRole->item(row)->data(CodeRole).toInt() == code)
            return row;
    return -1;
}

void TfrmOperatorRole::loadGrants()
{
    for (int row = 0; row < lstRole->count(); ++row) {
        lstRole->item(row)->setCheckState(Qt::Unchecked);
        lstRole->item(row)->setData(SavedRole, false);
    }
    const QString name = cboName->currentText();
    if (cboName->currentIndex() < 0)
        return;
    for (int code : OperatorGrants::grantsOf(name)) {
        const int row = rowOf(code);
        if (row < 0)
            continue;
        lstRole->item(row)->setCheckState(Qt::Checked);
        lstRole->item(row)->setData(SavedRole, true);
    }
}

void TfrmOperatorRole::setAllChecked(bool checked)
{
    for (int row = 0; row < lstRole->count(); ++row)
        lstRole->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TfrmOperatorRole::btnSaveClick()
{
    const QString name = cboName->currentText();
    if (cboName->currentIndex() < 0 || name.isEmpty())
        return;
    QList<int> added;
    QList<int> withdrawn;
    for (int row = 0; row < lstRole->count(); ++row) {
        const QListWidgetItem *item = lstRole->item(row);
        const bool now = item->checkState() == Qt::Checked;
        if (now == item->data(SavedRole).toBool())
            continue;
        (now ? added : withdrawn) << item->data(CodeRole).toInt();
    }
    OperatorGrants::change(name, added, withdrawn);
    for (int row = 0; row < lstRole->count(); ++row)
        lstRole->item(row)->setData(SavedRole, lstRole->item(row)->checkState() == Qt::Checked);
    showInfo(this, QStringLiteral("权限保存成功"));
    accept();
}

void TfrmOperatorRole::execute(QWidget *parent)
{
    TfrmOperatorRole dialog(parent);
    dialog.exec();
}

} // namespace jjgz
