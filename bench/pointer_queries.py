# Counts the SQLite calls made inside MainWindow::Image1_MouseMove while a
# test or benchmark runs (none is expected: the read-out never queries).
#
#   QT_QPA_PLATFORM=offscreen gdb -q -batch -x bench/pointer_queries.py \
#       --args build-test/tests/ui/mainwindow/test_readoutwindow

import gdb
counts = {"moves": 0, "queries_in_move": 0, "queries": 0}
class Move(gdb.Breakpoint):
    def stop(self):
        counts["moves"] += 1
        return False
class Sql(gdb.Breakpoint):
    def stop(self):
        counts["queries"] += 1
        f = gdb.newest_frame()
        while f is not None:
            n = f.name() or ""
            if "Image1_MouseMove" in n:
                counts["queries_in_move"] += 1
                print("QUERY IN MOVE:", self.location)
                gdb.execute("bt 25")
                break
            f = f.older()
        return False
gdb.execute("set pagination off")
gdb.execute("set breakpoint pending on")
gdb.execute("break main")
gdb.execute("run")
Move("orvena::MainWindow::Image1_MouseMove", internal=False)
for fn in ("sqlite3_step", "sqlite3_prepare_v2", "sqlite3_prepare_v3", "sqlite3_exec"):
    Sql(fn)
gdb.execute("continue")
print("RESULT", counts)
