# gdb helper of the mutation harness: the command "tolvane-frames" prints the
# innermost frames of the stopped thread, one per line, as
#   FRAME <n> <function> @ <shared object or "main"> @ <file:line or "-">
import gdb


class TolvaneFrames(gdb.Command):
    def __init__(self):
        super().__init__("tolvane-frames", gdb.COMMAND_STACK)

    def invoke(self, arg, from_tty):
        limit = int(arg) if arg else 25
        try:
            frame = gdb.newest_frame()
        except gdb.error as exc:
            print("FRAME none: %s" % exc)
            return
        n = 0
        while frame is not None and n < limit:
            pc = frame.pc()
            name = frame.name() or "??"
            lib = gdb.solib_name(pc) or "main"
            sal = frame.find_sal()
            where = "-"
            if sal.symtab is not None:
                where = "%s:%d" % (sal.symtab.filename, sal.line)
            print("FRAME %d %s @ %s @ %s" % (n, name, lib, where))
            n += 1
            try:
                frame = frame.older()
            except gdb.error:
                break


TolvaneFrames()
