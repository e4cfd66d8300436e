#include "masterdata/WorkerMdy.h"

#include "app/Application.h"
#include "data/MainDM.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {

// The date field shows this, its lowest value, as empty: an employee without a date of joining.
const QDate kNoDate(1900, 1, 1);

QLineEdit *lineEdit(QWidget *parent, const char *name, int maxLength)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(maxLength);
    return e;
}

QComboBox *fixedList(QWidget *parent, const char *name, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(false);
    c->addItems(items);
    return c;
}

} // namespace

TfrmWorkerMdy::TfrmWorkerMdy(EditMode mode, const QString &bmcode, const QString &title, const QString &bmText,
                             QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_mode(mode), m_bmcode(bmcode)
{
    setObjectName(QStringLiteral("frmWorkerMdy"));
    setWindowTitle(title);

    lblBm = new QLabel(QStringLiteral("所属部门：") + bmText, this);
    lblBm->setObjectName(QStringLiteral("lblBm"));

    auto *frame = new QGroupBox(this);
    edtCode = lineEdit(frame, "edtCode", 20);
    edtName = lineEdit(frame, "edtName", 20);
    cboSex = fixedList(frame, "cboSex", {QString(), QStringLiteral("男"), QStringLiteral("女")});
    cboTp = fixedList(frame, "cboTp", {QString()});
    for (const WorkerData::Position &p : WorkerData::positions())
        cboTp->addItem(p.text, p.tpcode);
    edtSfid = lineEdit(frame, "edtSfid", 30);
    edtXl = lineEdit(frame, "edtXl", 20);
    edtAddr = lineEdit(frame, "edtAddr", 100);
    edtPhone = lineEdit(frame, "edtPhone", 30);
    edtIndate = new QDateEdit(frame);
    edtIndate->setObjectName(QStringLiteral("edtIndate"));
    edtIndate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edtIndate->setCalendarPopup(true);
    edtIndate->setMinimumDate(kNoDate);
    edtIndate->setSpecialValueText(QStringLiteral(" "));
    edtIndate->setDate(QDate::currentDate());
    edtBankAcc = lineEdit(frame, "edtBankAcc", 40);
    cboGztp = fixedList(frame, "cboGztp", {QStringLiteral("计件"), QStringLiteral("按月")});
    cboState = fixedList(frame, "cboState", {QStringLiteral("在职"), QStringLiteral("离职")});
    edtMm = lineEdit(frame, "edtMm", 200);

    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(16);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    int row = 0;
    auto label = [&](const QString &caption, int r, int c) {
        auto *l = new QLabel(caption, frame);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(l, r, c);
    };
    auto pair = [&](const QString &c1, QWidget *w1, const QString &c2, QWidget *w2) {
        label(c1, row, 0);
        grid->addWidget(w1, row, 1);
        if (w2) {
            label(c2, row, 2);
            grid->addWidget(w2, row, 3);
        }
        ++row;
    };
    auto wide = [&](const QString &caption, QWidget *w) {
        label(caption, row, 0);
        grid->addWidget(w, row, 1, 1, 3);
        ++row;
    };
    pair(QStringLiteral("员工代码"), edtCode, QStringLiteral("员工姓名"), edtName);
    pair(QStringLiteral("性  别"), cboSex, QStringLiteral("职位名称"), cboTp);
    pair(QStringLiteral("身份证号"), edtSfid, QStringLiteral("学历"), edtXl);
    wide(QStringLiteral("地址"), edtAddr);
    pair(QStringLiteral("电话"), edtPhone, QStringLiteral("入职日期"), edtIndate);
    pair(QStringLiteral("银行帐号"), edtBankAcc, QStringLiteral("工资类型"), cboGztp);
    pair(QStringLiteral("状  态"), cboState, QString(), nullptr);
    wide(QStringLiteral("备  注"), edtMm);
    grid->setRowStretch(row, 1);

    btnYes = new QPushButton(QStringLiteral("保存"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {btnYes, btnCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setMinimumWidth(80);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addSpacing(20);
    buttons->addWidget(btnCancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblBm);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    QWidget *order[] = {edtCode,   edtName,    cboSex,  cboTp,    edtSfid, edtXl,  edtAddr,  edtPhone,
                        edtIndate, edtBankAcc, cboGztp, cboState, edtMm,   btnYes, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (m_mode == EditMode::Add) {
        edtCode->setEnabled(true);
        if (WorkerData::proposesCodes())
            edtCode->setText(WorkerData::nextCode());
    } else {
        edtCode->setEnabled(false);
    }
    EnterAsTab::install(this);
    setFixedSize(437, 425);
}

void TfrmWorkerMdy::fill(const WorkerValues &worker)
{
    edtCode->setText(worker.wkcode);
    edtName->setText(worker.wkname);
    cboSex->setCurrentIndex(cboSex->findText(worker.sex));
    // A position that no longer exists matches no item.
    cboTp->setCurrentIndex(cboTp->findText(QLatin1Char('[') + worker.tpcode + QLatin1Char(']') + worker.tpname));
    edtSfid->setText(worker.sfid);
    edtXl->setText(worker.xl);
    edtAddr->setText(worker.addr);
    edtPhone->setText(worker.phone);
    edtIndate->setDate(worker.indate.isValid() ? worker.indate : kNoDate);
    edtBankAcc->setText(worker.bankacc);
    // The item whose index is the stored value (no value reads as 0).
    auto choose = [](QComboBox *box, const QVariant &stored, QVariant &kept) {
        const qlonglong n = stored.isNull() ? 0 : stored.toLongLong();
        const bool known = n >= 0 && n < box->count();
        box->setCurrentIndex(known ? int(n) : -1);
        kept = known ? QVariant() : stored;
    };
    choose(cboGztp, worker.gztp, m_gztp);
    choose(cboState, worker.state, m_state);
    edtMm->setText(worker.mm);
}

WorkerValues TfrmWorkerMdy::values() const
{
    WorkerValues w;
    w.wkcode = edtCode->text();
    w.wkname = edtName->text();
    w.bmcode = m_bmcode;
    w.sex = cboSex->currentIndex() > 0 ? cboSex->currentText() : QString();
    w.tpcode = cboTp->currentIndex() > 0 ? cboTp->currentData().toString() : QString();
    w.sfid = edtSfid->text();
    w.xl = edtXl->text();
    w.addr = edtAddr->text();
    w.phone = edtPhone->text();
    w.indate = edtIndate->date() == kNoDate ? QDate() : edtIndate->date();
    w.bankacc = edtBankAcc->text();
    w.gztp = cboGztp->currentIndex() >= 0 ? QVariant(cboGztp->currentIndex()) : m_gztp;
    w.state = cboState->currentIndex() >= 0 ? QVariant(cboState->currentIndex()) : m_state;
    w.mm = edtMm->text();
    return w;
}

void TfrmWorkerMdy::btnYesClick()
{
    const WorkerValues worker = values();
    const WorkerData::SaveFault fault = WorkerData::checkSave(m_mode, worker);
    if (fault != WorkerData::SaveFault::None) {
        showError(this, WorkerData::faultText(fault));
        return;
    }
    try {
        WorkerData::save(m_mode, worker);
    } catch (const DbError &e) {
        showError(this, QStringLiteral("保存失败(") + e.message() + QLatin1Char(')'), QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    if (m_mode != EditMode::Add) {
        accept();
        return;
    }
    // Ready for the next employee of the department: what identifies the person just saved is
    // cleared, what a batch of new employees shares (sex, position, dates, wage type, state,
    // education) stays.
    if (WorkerData::proposesCodes())
        edtCode->setText(WorkerData::nextCode());
    for (QLineEdit *own : {edtName, edtSfid, edtBankAcc, edtPhone, edtAddr, edtMm})
        own->clear();
    edtCode->setFocus();
}

bool TfrmWorkerMdy::execute(QWidget *parent, EditMode mode, const QString &bmcode, const QString &title,
                            const QString &bmText, const WorkerValues &current)
{
    TfrmWorkerMdy dialog(mode, bmcode, title, bmText, parent);
    if (mode != EditMode::Add)
        dialog.fill(current);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace jjgz
