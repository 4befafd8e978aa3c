"""A client for quelvo-console: WebPage operations as Python methods.

    with Console() as c:
        c.load("http://127.0.0.1:8080/21.html")
        c.Bind(None, c.browserWindow())
        c.SetFieldValue("usernick", 0, "小明")
"""

from quelvo_console.client import (Companion, Console, Dialog, QuelvoError, QuelvoTimeout, Ref,
                                   find_console)

__all__ = ["Companion", "Console", "Dialog", "QuelvoError", "QuelvoTimeout", "Ref",
           "find_console"]
