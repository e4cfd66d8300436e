# Which target may link which: the one table the layer check (cmake/CheckLayers.cmake) holds the
# tree to, at every build and as the ctest `house_layers`.
#
#   jjgz_layer(<target> <kind> <qt> [USES <targets>...] [ACROSS <targets>...])
#
# kind  BASE    shared parts below the screens (evaluator, data, widgets, app, report): uses BASE only.
#       SCREEN  a target of a screen folder (masterdata/, piecework/, ...; its `_core` and its screens):
#               uses BASE and the targets of its own folder. A target of another screen folder is an
#               exception: it goes under ACROSS, with the reason in a comment.
#       SHELL   the main window, its menu table and the program (login/, main/): may use every folder.
#       TOOL    a command-line program under tools/: uses BASE and SCREEN targets.
# qt    NONE    no Qt at all (the evaluator, the database builder).
#       CORE    Qt Core and Sql only: no Gui, Widgets or PrintSupport, linked or included. Every `_core`
#               target is CORE or NONE.
#       GUI     any Qt module.
# USES / ACROSS name the project targets it may link; a file may include the headers of its own
# target and of every target it may reach through these entries. Tests and benchmarks are not in the
# table: they sit above everything.
#
# Every library and program under src/ and tools/ has a row, and every row names a target that the
# build defines: a new target gets its row in the commit that adds it (see docs/ARCHITECTURE.md).

#          target                   kind    qt
jjgz_layer(jjgz_evaluator           BASE    NONE)
jjgz_layer(jjgz_data                BASE    CORE)
jjgz_layer(jjgz_tax                 BASE    CORE  USES jjgz_data)
jjgz_layer(jjgz_wagecalc            BASE    CORE  USES jjgz_data jjgz_evaluator)
jjgz_layer(jjgz_widgets             BASE    GUI   USES jjgz_data)
jjgz_layer(jjgz_app                 BASE    GUI   USES jjgz_widgets jjgz_data)
jjgz_layer(jjgz_report              BASE    GUI   USES jjgz_widgets)

jjgz_layer(jjgz_masterdata_core     SCREEN  CORE  USES jjgz_data)
jjgz_layer(jjgz_masterdata          SCREEN  GUI   USES jjgz_masterdata_core jjgz_app jjgz_widgets jjgz_data)
# A record's lines name employees: the record rules and the import read them through WorkerData.
jjgz_layer(jjgz_piecework_core      SCREEN  CORE  USES jjgz_data ACROSS jjgz_masterdata_core)
# The record dialog picks employees with masterdata's TfrmSelWorker and reads them through WorkerData.
jjgz_layer(jjgz_piecework           SCREEN  GUI   USES jjgz_piecework_core jjgz_app jjgz_widgets jjgz_data
                                                 ACROSS jjgz_masterdata jjgz_masterdata_core)
# The wage calculation's core: the evaluator set-up of wage formulas, the month sheet and the
# calculation of a cell, below payroll and wagestructure.
jjgz_layer(jjgz_wagecalc            BASE    CORE  USES jjgz_data jjgz_evaluator)
jjgz_layer(jjgz_wagestructure_core  SCREEN  CORE  USES jjgz_wagecalc jjgz_data jjgz_evaluator)
jjgz_layer(jjgz_wagestructure       SCREEN  GUI   USES jjgz_wagestructure_core jjgz_tax jjgz_app jjgz_widgets jjgz_data)
jjgz_layer(jjgz_payroll_core        SCREEN  CORE  USES jjgz_wagecalc jjgz_tax jjgz_data jjgz_evaluator)
jjgz_layer(jjgz_payroll             SCREEN  GUI   USES jjgz_payroll_core jjgz_app jjgz_widgets jjgz_report jjgz_data)
jjgz_layer(jjgz_maintenance_core    SCREEN  CORE  USES jjgz_data)
jjgz_layer(jjgz_maintenance         SCREEN  GUI   USES jjgz_maintenance_core jjgz_app jjgz_widgets jjgz_data)

# Operators and password hashes without a window: the login and the command-line tools check them.
jjgz_layer(jjgz_login_core          SCREEN  CORE  USES jjgz_data)
jjgz_layer(jjgz_login               SHELL   GUI   USES jjgz_login_core jjgz_app jjgz_widgets jjgz_data jjgz_masterdata jjgz_piecework
                                                       jjgz_wagestructure jjgz_payroll jjgz_maintenance)
jjgz_layer(jjgz                     SHELL   GUI   USES jjgz_login jjgz_app jjgz_widgets)

jjgz_layer(jjgz-formula             TOOL    NONE  USES jjgz_evaluator)
jjgz_layer(jjgz-payroll             TOOL    CORE  USES jjgz_payroll_core jjgz_login_core jjgz_masterdata_core
                                                       jjgz_piecework_core jjgz_tax jjgz_data)
jjgz_layer(jjgz-mkdb                TOOL    NONE)
