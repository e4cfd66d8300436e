#pragma once
// Small builders for wage-sheet fixtures: departments, employees, items with their gzdata
// columns, formulas, piece-work records with their share lines, typed values of a month.
#include "TestSupport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace jjgz::test {

class PayrollFixture {
public:
    explicit PayrollFixture(TestApp &app) : m_app(app)
    {
        m_app.exec(QStringLiteral("insert into depart(bmcode,bmname) values('01','生产部')"));
        m_app.exec(QStringLiteral("insert into depart(bmcode,bmname) values('02','包装部')"));
        m_app.exec(QStringLiteral("insert into worker_tp(tpcode,tpname) values('01','工人')"));
        m_app.exec(QStringLiteral("insert into worker_tp(tpcode,tpname) values('02','组长')"));
    }

    void worker(const QString &code, const QString &name, const QString &bm = QStringLiteral("01"), int state = 0,
                const QString &tp = QStringLiteral("01"))
    {
        m_app.exec(QStringLiteral("insert into worker(wkcode,wkname,bmcode,sex,tpcode,state) values(?,?,?,?,?,?)"),
                   {code, name, bm, QStringLiteral("男"), tp, state});
    }
    // Item number n ("f" + n) in gzxm and its gzdata column.
    void item(int n, const QString &name, int ftype = 0)
    {
        const QString f = QStringLiteral("f%1").arg(n);
        m_app.exec(QStringLiteral("insert into gzxm(xh,fname,xmname,ftype,fsize) values(?,?,?,?,?)"),
                   {n, f, name, ftype, ftype ? QStringLiteral("20") : QStringLiteral("0")});
        m_app.exec(ftype ? QStringLiteral("alter table gzdata add %1 varchar(20)").arg(f)
                         : QStringLiteral("alter table gzdata add %1 float default 0").arg(f));
    }
    void formula(int xh, const QString &fname, const QString &gs, const QString &con = QString())
    {
        m_app.exec(QStringLiteral("insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(?,?,?,?,?,?)"),
                   {xh, fname, gs, gs, con, con});
    }
    // A piece-work record of quantity sl on date dt ("yyyy-MM-dd") with its share lines.
    void piece(int pid, const QString &dt, double sl, const QList<QPair<QString, double>> &lines)
    {
        m_app.exec(QStringLiteral("insert into jjdata(pid,dt,sl,je) values(?,?,?,?)"), {pid, dt, sl, 0.0});
        for (const auto &[wk, je] : lines)
            m_app.exec(QStringLiteral("insert into jjdata_d(pid,wkcode,je) values(?,?,?)"), {pid, wk, je});
    }
    void setValue(int y, int m, const QString &wk, const QString &fname, const QVariant &v)
    {
        m_app.exec(QStringLiteral("update gzdata set %1=? where xyear=? and xmonth=? and wkcode=?").arg(fname),
                   {v, y, m, wk});
    }
    QVariant stored(int y, int m, const QString &wk, const QString &fname)
    {
        return m_app.scalar(QStringLiteral("select %1 from gzdata where xyear=? and xmonth=? and wkcode=?").arg(fname),
                            {y, m, wk});
    }

private:
    TestApp &m_app;
};

} // namespace jjgz::test
