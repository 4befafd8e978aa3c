"""The client against the real console and real pages on loopback."""

import urllib.request

import pytest

from quelvo_console import Companion, Console, QuelvoError, QuelvoTimeout, Ref

from conftest import program


def bind(console, address):
    assert console.load(address) is True
    assert console.Bind(None, console.browserWindow()) is True


def test_make_sequence_makes_the_picture(console, skinsite):
    bind(console, skinsite + "21.html")
    fields = {"qq": "12345", "usernick": "小明", "userannouncement": "你好 😀",
              "userage": "18", "userconstellation": "白羊座"}
    for field, value in fields.items():
        assert console.SetFieldValue(field, 0, value) is True
    assert console.GetFieldValue("usernick", 0) == "小明"
    seen = len(console.dialogs)
    assert console.ClickButton("btnmake", 1) is True
    # The result page greets with the old site's dialog, which the console answers.
    dialogs = console.wait_for_dialogs(seen + 1, timeout=60)
    assert dialogs[seen].kind == "alert" and "成功" in dialogs[seen].text
    with urllib.request.urlopen(skinsite + "bg/12345.gif", timeout=30) as reply:
        assert reply.read(6) in (b"GIF87a", b"GIF89a")


def test_companion_objects_have_their_operations(console, pages):
    bind(console, pages + "choices.html")
    box = console.GetSelectBox("city", 0)
    assert isinstance(box, Companion) and box.class_name == "SelectBox"
    assert box.Count() == 3
    assert [box.GetOptionText(i) for i in (1, 2, 3)] == ["北京", "上海", "广州"]
    assert box.SetSelectedIndex(3) is True
    twin = box.Clone()
    assert twin.name != box.name and twin.GetOptionValue(twin.GetSelectedIndex() + 1) == "gz"
    group = console.GetRadioGroup("size")
    assert (group.Count(), group.IsChecked(2), group.GetValue(1)) == (2, True, "s")
    assert box.release() is True
    with pytest.raises(QuelvoError, match="unknown object"):
        box.Count()
    assert twin.Count() == 3


def test_a_reference_goes_back_in(console, pages):
    bind(console, pages + "choices.html")
    note = console.GetElement("note", 0)
    assert isinstance(note, Ref) and note
    assert console.GetInnerText(note) == "a small note"
    assert console.SetInnerHtml(note, "<i>new</i>") is True
    assert console.GetOuterHtml(note) == '<p id="note"><i>new</i></p>'
    missing = console.GetElement("no-such-element", 0)
    assert missing == Ref.empty() and not missing
    assert console.release(note) is True
    with pytest.raises(QuelvoError, match="unknown reference"):
        console.GetInnerText(note)


def test_the_empty_reference_goes_back_in(console, pages):
    bind(console, pages + "choices.html")
    assert console.GetInnerText(Ref.empty()) == ""
    # An empty document unbinds, where an omitted one would bind the window's document again.
    assert console.Bind(Ref.empty(), console.browserWindow()) is False
    assert console.GetElement("note", 0) == Ref.empty()
    assert console.Bind(None, console.browserWindow()) is True
    assert console.GetElement("note", 0)


@pytest.mark.parametrize("operation, args, message", [
    ("NoSuchOperation", (), 'unknown operation "NoSuchOperation"'),
    ("SetFieldValue", ("qq", "zero", "1"), "argument 2 must be a 32-bit integer"),
    ("SetFieldValue", ("qq", 0), "argument 3 is missing"),
    ("wait", (-1,), "argument 1 must be 0 to 600000 ms"),
    ("o999.Count", (), 'unknown object "o999"'),
])
def test_an_error_answer_raises_and_the_console_goes_on(console, operation, args, message):
    with pytest.raises(QuelvoError) as caught:
        console.call(operation, *args)
    assert message in str(caught.value)
    assert console.ColorToHtml(0x0000FF) == "FF0000"


def test_dialogs_and_page_log_lines_reach_the_script(console, pages):
    bind(console, pages + "choices.html")
    seen = len(console.dialogs)
    assert console.ClickButton("ask", 1) is True
    assert console.wait_for_dialogs(seen + 1)[seen] == ("alert", "asked sh")
    console.RunScript("console.error('from the page: ' + 6 * 7)", "JScript")
    assert console.wait_for_log("from the page: 42")


def test_a_late_answer_does_not_answer_the_next_request(console):
    with pytest.raises(QuelvoTimeout):
        console.call("wait", 3000, timeout=0.2)
    # The wait's own answer arrives first and is dropped; this one gets its own.
    assert console.ColorToHtml(0x00FF00) == "00FF00"
    assert console.wait(0) is True


def test_the_context_manager_quits_the_console():
    with Console(program("console/quelvo-console")) as c:
        assert c.wait(0) is True
    assert c.returncode == 0
    with pytest.raises(QuelvoError, match="has ended"):
        c.wait(0)
