-- The delivered database of jjgz: every table with its columns, the rows a new database holds,
-- and the rules that protect master data still in use. Text compares and sorts without regard
-- to letter case. Dates are stored as text yyyy-MM-dd.
PRAGMA page_size = 4096;
PRAGMA encoding = 'UTF-8';

create table depart (
  bmcode varchar(10) collate nocase primary key,
  bmname varchar(20) collate nocase
);

create table worker_tp (
  tpcode varchar(10) collate nocase primary key,
  tpname varchar(20) collate nocase
);

create table worker (
  wkcode varchar(20) collate nocase primary key,
  wkname varchar(20) collate nocase,
  bmcode varchar(10) collate nocase,
  sex varchar(2) collate nocase,
  tpcode varchar(10) collate nocase,
  sfid varchar(30) collate nocase,
  xl varchar(20) collate nocase,
  addr varchar(100) collate nocase,
  phone varchar(30) collate nocase,
  indate date,
  bankacc varchar(40) collate nocase,
  gztp integer,
  state integer,
  mm varchar(200) collate nocase
);
create index worker_bmcode on worker (bmcode);
create index worker_tpcode on worker (tpcode);

create table jjgz (
  gzcode varchar(10) collate nocase primary key,
  gzname varchar(200) collate nocase
);

create table jjgx (
  gzcode varchar(10) collate nocase not null,
  gxcode varchar(50) collate nocase not null,
  gxname varchar(200) collate nocase,
  unit varchar(20) collate nocase,
  price float,
  rs float,
  primary key (gzcode, gxcode)
);

create table jjgx_d (
  gzcode varchar(10) collate nocase,
  gxcode varchar(50) collate nocase,
  tpcode varchar(10) collate nocase,
  bl float,
  price float
);
create index jjgx_d_process on jjgx_d (gzcode, gxcode);
create index jjgx_d_tpcode on jjgx_d (tpcode);

create table jjxs (
  xscode varchar(10) collate nocase primary key,
  xsname varchar(50) collate nocase,
  xs float
);

create table jjdata (
  pid integer primary key,
  dt date,
  gzcode varchar(10) collate nocase,
  gxcode varchar(50) collate nocase,
  price float,
  rs float,
  xscode varchar(10) collate nocase,
  xs float,
  sl float,
  je float,
  opername varchar(50) collate nocase
);
create index jjdata_dt on jjdata (dt);
create index jjdata_process on jjdata (gzcode, gxcode);
create index jjdata_xscode on jjdata (xscode);

create table jjdata_d (
  pid integer,
  wkcode varchar(20) collate nocase,
  tpcode varchar(10) collate nocase,
  bl float,
  je float
);
create index jjdata_d_pid on jjdata_d (pid);
create index jjdata_d_wkcode on jjdata_d (wkcode);

create table gzxm (
  xh integer primary key,
  fname varchar(10) collate nocase unique,
  xmname varchar(50) collate nocase,
  ftype integer,
  fsize varchar(10) collate nocase
);

create table gzxm_m (
  xyear integer not null,
  xmonth integer not null,
  xh integer not null,
  fname varchar(10) collate nocase,
  xmname varchar(50) collate nocase,
  ftype integer,
  fsize varchar(10) collate nocase,
  primary key (xyear, xmonth, xh)
);

create table gzgs (
  xh integer primary key,
  fname varchar(10) collate nocase,
  gs varchar(1000) collate nocase,
  gsdesc varchar(2000) collate nocase,
  con varchar(1000) collate nocase,
  condesc varchar(2000) collate nocase
);

create table gzdata (
  xyear integer not null,
  xmonth integer not null,
  wkcode varchar(20) collate nocase not null,
  primary key (xyear, xmonth, wkcode)
);
create index gzdata_wkcode on gzdata (wkcode);

-- The tax-rate tables of the individual income tax: kind 1 the withholding table of wages
-- (cumulative income), kind 2 the monthly-converted table of the annual one-off bonus. Brackets
-- in xh order; upper is the bracket's upper bound (null: the last bracket, without bound), rate a
-- fraction, kcs the quick deduction.
create table taxrate (
  kind integer not null,
  xh integer not null,
  upper float,
  rate float,
  kcs float,
  primary key (kind, xh)
);

create table operator (
  operno varchar(20) collate nocase primary key,
  opername varchar(50) collate nocase,
  pwd varchar(128),
  dept varchar(50) collate nocase
);

create table roles (
  roleid integer primary key,
  rolename varchar(50) collate nocase,
  flag integer default 0
);

create table rolelist (
  opername varchar(50) collate nocase,
  roleid integer
);
create unique index rolelist_opername on rolelist (opername, roleid);

create table params (
  pid integer primary key,
  pvalue varchar(100) collate nocase,
  pdesc varchar(100) collate nocase
);

-- Master data still in use cannot be deleted, nor can its code be changed under its users.
create trigger depart_in_use before delete on depart
when exists (select 1 from worker where bmcode = old.bmcode)
begin select raise(abort, '编码正在使用，不能删除'); end;
create trigger depart_code_in_use before update of bmcode on depart
when old.bmcode <> new.bmcode and exists (select 1 from worker where bmcode = old.bmcode)
begin select raise(abort, '编码正在使用，不能修改'); end;

create trigger worker_tp_in_use before delete on worker_tp
when exists (select 1 from worker where tpcode = old.tpcode)
  or exists (select 1 from jjgx_d where tpcode = old.tpcode)
begin select raise(abort, '编码正在使用，不能删除'); end;
create trigger worker_tp_code_in_use before update of tpcode on worker_tp
when old.tpcode <> new.tpcode and (exists (select 1 from worker where tpcode = old.tpcode)
  or exists (select 1 from jjgx_d where tpcode = old.tpcode))
begin select raise(abort, '编码正在使用，不能修改'); end;

create trigger jjgz_in_use before delete on jjgz
when exists (select 1 from jjgx where gzcode = old.gzcode)
  or exists (select 1 from jjdata where gzcode = old.gzcode)
begin select raise(abort, '编码正在使用，不能删除'); end;
create trigger jjgz_code_in_use before update of gzcode on jjgz
when old.gzcode <> new.gzcode and (exists (select 1 from jjgx where gzcode = old.gzcode)
  or exists (select 1 from jjdata where gzcode = old.gzcode))
begin select raise(abort, '编码正在使用，不能修改'); end;

create trigger jjgx_in_use before delete on jjgx
when exists (select 1 from jjdata where gzcode = old.gzcode and gxcode = old.gxcode)
begin select raise(abort, '编码正在使用，不能删除'); end;
create trigger jjgx_code_in_use before update of gzcode, gxcode on jjgx
when (old.gzcode <> new.gzcode or old.gxcode <> new.gxcode)
  and exists (select 1 from jjdata where gzcode = old.gzcode and gxcode = old.gxcode)
begin select raise(abort, '编码正在使用，不能修改'); end;

create trigger jjxs_in_use before delete on jjxs
when exists (select 1 from jjdata where xscode = old.xscode)
begin select raise(abort, '编码正在使用，不能删除'); end;
create trigger jjxs_code_in_use before update of xscode on jjxs
when old.xscode <> new.xscode and exists (select 1 from jjdata where xscode = old.xscode)
begin select raise(abort, '编码正在使用，不能修改'); end;

-- A piece-work record takes its lines with it.
create trigger jjdata_lines after delete on jjdata
begin delete from jjdata_d where pid = old.pid; end;

-- Closed months (封账): a closed month's wage rows and item list, and the piece-work records dated
-- in it, cannot change until the month is reopened. The program checks first and names the month;
-- these rules refuse whatever else writes.
create table gzlock (
  xyear integer not null,
  xmonth integer not null,
  opername varchar(20) collate nocase,
  locktime text,
  primary key (xyear, xmonth)
);
create trigger gzdata_closed_insert before insert on gzdata
when exists (select 1 from gzlock where xyear = new.xyear and xmonth = new.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger gzdata_closed_update before update on gzdata
when exists (select 1 from gzlock where xyear = old.xyear and xmonth = old.xmonth)
  or exists (select 1 from gzlock where xyear = new.xyear and xmonth = new.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger gzdata_closed_delete before delete on gzdata
when exists (select 1 from gzlock where xyear = old.xyear and xmonth = old.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger gzxm_m_closed_insert before insert on gzxm_m
when exists (select 1 from gzlock where xyear = new.xyear and xmonth = new.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger gzxm_m_closed_update before update on gzxm_m
when exists (select 1 from gzlock where xyear = old.xyear and xmonth = old.xmonth)
  or exists (select 1 from gzlock where xyear = new.xyear and xmonth = new.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger gzxm_m_closed_delete before delete on gzxm_m
when exists (select 1 from gzlock where xyear = old.xyear and xmonth = old.xmonth)
begin select raise(abort, '该月工资已封账，不能修改。如需修改，请先取消封账。'); end;
create trigger jjdata_closed_insert before insert on jjdata
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', new.dt) as integer)
  and xmonth = cast(strftime('%m', new.dt) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;
create trigger jjdata_closed_update before update on jjdata
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', old.dt) as integer)
  and xmonth = cast(strftime('%m', old.dt) as integer))
  or exists (select 1 from gzlock where xyear = cast(strftime('%Y', new.dt) as integer)
  and xmonth = cast(strftime('%m', new.dt) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;
create trigger jjdata_closed_delete before delete on jjdata
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', old.dt) as integer)
  and xmonth = cast(strftime('%m', old.dt) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;
create trigger jjdata_d_closed_insert before insert on jjdata_d
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', (select dt from jjdata where pid = new.pid)) as integer)
  and xmonth = cast(strftime('%m', (select dt from jjdata where pid = new.pid)) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;
create trigger jjdata_d_closed_update before update on jjdata_d
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', (select dt from jjdata where pid = old.pid)) as integer)
  and xmonth = cast(strftime('%m', (select dt from jjdata where pid = old.pid)) as integer))
  or exists (select 1 from gzlock where xyear = cast(strftime('%Y', (select dt from jjdata where pid = new.pid)) as integer)
  and xmonth = cast(strftime('%m', (select dt from jjdata where pid = new.pid)) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;
create trigger jjdata_d_closed_delete before delete on jjdata_d
when exists (select 1 from gzlock where xyear = cast(strftime('%Y', (select dt from jjdata where pid = old.pid)) as integer)
  and xmonth = cast(strftime('%m', (select dt from jjdata where pid = old.pid)) as integer))
begin select raise(abort, '计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'); end;

-- The operation log (操作日志): who changed what, when. Rows are only ever added.
create table oplog (
  id integer primary key,
  t text,
  opername varchar(20) collate nocase,
  action varchar(20) collate nocase,
  target varchar(100) collate nocase,
  detail text
);
create index oplog_t on oplog (t);
create trigger oplog_no_update before update on oplog
begin select raise(abort, '操作日志不能修改'); end;
create trigger oplog_no_delete before delete on oplog
begin select raise(abort, '操作日志不能删除'); end;

-- The rows a new database holds.
insert into operator (operno, opername, pwd, dept) values ('001', 'admin', '', '');

insert into roles (roleid, rolename, flag) values
  (1, '【初始设置】', 0),
  (1001, '计件数据录入', 0),
  (1003, '工资数据录入', 0),
  (1005, '结转下月', 0),
  (1007, '封账', 0),
  (1009, '取消封账', 0),
  (1301, '打印工资条', 0),
  (1303, '工资发放表', 0),
  (1305, '工资汇总表', 0),
  (1307, '年度汇总', 0),
  (1309, '个税申报导出', 0),
  (1503, '计件工种设置', 0),
  (1505, '计件工序设置', 0),
  (1507, '计件系数设置', 0),
  (1509, '工资项目定义', 0),
  (1511, '计算公式定义', 0),
  (1512, '部门设置', 0),
  (1513, '职位设置', 0),
  (1515, '员工名册管理', 0),
  (1517, '税率表', 0),
  (1519, '单位名称', 0),
  (1701, '操作员管理', 0),
  (1703, '设定权限', 0),
  (1705, '修改密码', 0),
  (1901, '数据初始化', 0),
  (1903, '数据备份', 0),
  (1905, '数据恢复', 0),
  (1907, '操作日志', 0),
  (2101, '帮助主题', 0),
  (2105, '关于...', 0);

insert into params (pid, pvalue, pdesc) values
  (1, '3', '计件工种编码宽度'),
  (2, '3', '计件系数编码宽度'),
  (3, '3', '职位编码宽度'),
  (4, '3', '计件工序编码宽度（每个工种内编号）'),
  (5, '3', '部门编码宽度'),
  (6, '4', '员工代码宽度'),
  (7, '1', '自动生成员工代码（1=是）'),
  (8, '', '使用单位名称');

insert into taxrate (kind, xh, upper, rate, kcs) values
  (1, 1, 36000, 0.03, 0),
  (1, 2, 144000, 0.10, 2520),
  (1, 3, 300000, 0.20, 16920),
  (1, 4, 420000, 0.25, 31920),
  (1, 5, 660000, 0.30, 52920),
  (1, 6, 960000, 0.35, 85920),
  (1, 7, null, 0.45, 181920),
  (2, 1, 3000, 0.03, 0),
  (2, 2, 12000, 0.10, 210),
  (2, 3, 25000, 0.20, 1410),
  (2, 4, 35000, 0.25, 2660),
  (2, 5, 55000, 0.30, 4410),
  (2, 6, 80000, 0.35, 7160),
  (2, 7, null, 0.45, 15160);
