"""Driven by module_test.cpp as the controller of an exchange area: says on
stdout what the corvan module answers, then echoes each turn: MT follows dc
and BZ1 follows ac."""
import sys

import corvan


def say(*words):
    print(*words, flush=True)


def error_of(action):
    try:
        action()
    except (corvan.UnknownSignal, corvan.LinkError) as error:
        return "%s: %s" % (type(error).__name__, error)
    return "no error"


with corvan.Link.from_argv() as link:
    say("second open:", error_of(lambda: corvan.Link.from_argv()))
    say("read DC:", error_of(lambda: link.DC))
    say("read item:", error_of(lambda: link["nosuch"]))
    say("hasattr:", hasattr(link, "nosuch"), hasattr(link, "dc"))
    say("write input:", error_of(lambda: setattr(link, "dc", 1)))
    say("write unknown:", error_of(lambda: link.set(Mt=1)))
    say("ready")
    for turn in link.turns():
        link.MT = link.dc
        link.set(BZ1=link["ac"])
        say("turn", turn, "dc", link.dc, "ac", link.ac, "MT", link.MT, "BZ1", link["BZ1"])
        link.refresh()
say("closed:", link.closed, error_of(link.refresh))
