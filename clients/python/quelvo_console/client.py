"""The console process, its requests and answers, references and companion objects."""

from __future__ import annotations

import collections
import inspect
import itertools
import json
import os
import queue
import shutil
import subprocess
import threading
from pathlib import Path
from typing import Any, Mapping, NamedTuple

from quelvo_console.operations import TABLE

_EOF = object()
# The console of the checkout this client lies in, once built.
BUILT_CONSOLE = Path(__file__).resolve().parents[3] / "build" / "console" / "quelvo-console"


class QuelvoError(Exception):
    """An error answer of the console (its message), or the console gone."""


class QuelvoTimeout(QuelvoError, TimeoutError):
    """No answer within the request's time-out; the console's late answer is dropped."""


class Dialog(NamedTuple):
    kind: str  # "alert", "confirm" or "prompt"
    text: str


class Ref:
    """A reference to an object of the page, as the console handed it out."""

    __slots__ = ("name",)

    def __init__(self, name: str | None):
        self.name = name

    @classmethod
    def empty(cls) -> Ref:
        return cls(None)

    def __bool__(self) -> bool:
        return self.name is not None

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Ref) and other.name == self.name

    def __hash__(self) -> int:
        return hash(self.name)

    def __repr__(self) -> str:
        return f"Ref({self.name!r})"

    def _json(self) -> dict:
        return {"ref": self.name}


class Companion:
    """A RadioGroup, CheckboxGroup or SelectBox of the console; its methods are its operations."""

    def __init__(self, console: Console, name: str, class_name: str):
        self._console = console
        self.name = name
        self.class_name = class_name

    def __repr__(self) -> str:
        return f"<{self.class_name} {self.name}>"

    def _json(self) -> dict:
        return {"object": self.name}

    def release(self) -> bool:
        return self._console.release(self)


_COMPANION_CLASSES: dict[str, type] = {}


def _make_method(operation: str, parameters: tuple[str, ...], prefixed: bool):
    result_kind = parameters[-1] if parameters and parameters[-1] == "ref" else None
    if result_kind:
        parameters = parameters[:-1]
    signature = inspect.Signature(
        [inspect.Parameter("self", inspect.Parameter.POSITIONAL_ONLY)] + [
            inspect.Parameter(p.rstrip("?"), inspect.Parameter.POSITIONAL_OR_KEYWORD,
                              default=None if p.endswith("?") else inspect.Parameter.empty)
            for p in parameters
        ])

    def method(self, *args, **kwargs):
        bound = signature.bind(self, *args, **kwargs)
        bound.apply_defaults()
        values = list(bound.arguments.values())[1:]
        # A missing trailing argument and null both mean omitted; send the shorter line.
        while values and values[-1] is None:
            values.pop()
        if prefixed:
            result = self._console.call(f"{self.name}.{operation}", *values)
        else:
            result = self.call(operation, *values)
        if result_kind == "ref" and result is None:
            return Ref.empty()
        return result

    method.__name__ = method.__qualname__ = operation
    method.__signature__ = signature
    method.__doc__ = f"The console operation {operation}({', '.join(parameters)})."
    return method


def _companion_class(class_name: str) -> type:
    if class_name not in _COMPANION_CLASSES:
        methods = {op: _make_method(op, params, prefixed=True)
                   for op, params in TABLE.get(class_name, {}).items()}
        _COMPANION_CLASSES[class_name] = type(class_name, (Companion,), methods)
    return _COMPANION_CLASSES[class_name]


def find_console(executable: str | os.PathLike | None = None,
                 environ: Mapping[str, str] | None = None) -> str:
    """The quelvo-console to start: the argument, QUELVO_CONSOLE, the build tree, or PATH."""
    environ = os.environ if environ is None else environ
    if executable:
        return os.fspath(executable)
    if environ.get("QUELVO_CONSOLE"):
        return environ["QUELVO_CONSOLE"]
    if os.access(BUILT_CONSOLE, os.X_OK):
        return str(BUILT_CONSOLE)
    found = shutil.which("quelvo-console", path=environ.get("PATH"))
    if found:
        return found
    raise QuelvoError("quelvo-console not found: give its path, set QUELVO_CONSOLE, "
                      "build the tree or put it on PATH")


class Console:
    """A running quelvo-console. Requests are answered in order; each waits `timeout` seconds.

    `env` holds variables set over the current environment (None as a value removes one).
    Page dialogs land in `dialogs` (Dialog tuples) and page log lines in `log`, as the console
    reports them on its standard error, which may be a moment after the answer.
    """

    def __init__(self, executable: str | os.PathLike | None = None,
                 env: Mapping[str, str | None] | None = None, timeout: float = 60.0):
        environment = dict(os.environ)
        for key, value in (env or {}).items():
            if value is None:
                environment.pop(key, None)
            else:
                environment[key] = value
        self.executable = find_console(executable, environment)
        self.timeout = timeout
        self.dialogs: list[Dialog] = []
        self.log: list[str] = []
        self._stderr_tail: collections.deque[str] = collections.deque(maxlen=40)
        self._reported = threading.Condition()
        self._answers: queue.Queue = queue.Queue()
        self._ids = itertools.count(1)
        self._lock = threading.Lock()
        try:
            self._process = subprocess.Popen(
                [self.executable], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                stderr=subprocess.PIPE, env=environment)
        except OSError as error:
            raise QuelvoError(f"cannot start {self.executable}: {error}") from error
        threading.Thread(target=self._read_answers, daemon=True).start()
        threading.Thread(target=self._read_reports, daemon=True).start()

    # The operations of the table become methods of Console (below the class).

    def call(self, operation: str, *args: Any, timeout: float | None = None) -> Any:
        """Sends one request and gives its result; an error answer raises QuelvoError."""
        with self._lock:
            request_id = next(self._ids)
            line = json.dumps({"id": request_id, "op": operation,
                               "args": [self._encode(a) for a in args]},
                              ensure_ascii=False) + "\n"
            try:
                self._process.stdin.write(line.encode("utf-8"))
                self._process.stdin.flush()
            except (BrokenPipeError, ValueError, OSError):
                raise self._gone() from None
            answer = self._answer(request_id, self.timeout if timeout is None else timeout,
                                  operation)
        if "error" in answer:
            raise QuelvoError(answer["error"])
        return self._decode(answer.get("result"))

    def wait_for_dialogs(self, count: int, timeout: float = 10.0) -> list[Dialog]:
        """Waits until at least `count` dialogs have been reported; gives them all."""
        with self._reported:
            self._reported.wait_for(lambda: len(self.dialogs) >= count, timeout)
            return list(self.dialogs)

    def wait_for_log(self, text: str, timeout: float = 10.0) -> bool:
        """Waits until a page log line containing `text` has been reported."""
        with self._reported:
            return self._reported.wait_for(lambda: any(text in line for line in self.log),
                                           timeout)

    def close(self, timeout: float = 15.0) -> int:
        """Quits the console (killing it if it does not end) and gives its exit code."""
        if self._process.poll() is None:
            try:
                self.call("quit", timeout=timeout)
            except QuelvoError:
                pass
            try:
                self._process.stdin.close()
            except OSError:
                pass
            try:
                self._process.wait(timeout)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
        return self._process.returncode

    @property
    def returncode(self) -> int | None:
        return self._process.poll()

    def __enter__(self) -> Console:
        return self

    def __exit__(self, *exc_info) -> None:
        self.close()

    def _answer(self, request_id: int, timeout: float, operation: str) -> dict:
        while True:
            try:
                answer = self._answers.get(timeout=timeout)
            except queue.Empty:
                raise QuelvoTimeout(f"{operation}: no answer within {timeout} s") from None
            if answer is _EOF:
                self._answers.put(_EOF)
                raise self._gone()
            # Answers to requests that timed out come late; they are dropped here.
            if answer.get("id") == request_id:
                return answer

    def _gone(self) -> QuelvoError:
        try:
            code = self._process.wait(5)
        except subprocess.TimeoutExpired:
            code = None
        tail = "\n".join(self._stderr_tail)
        return QuelvoError(f"quelvo-console has ended (exit code {code})" +
                           (f":\n{tail}" if tail else ""))

    def _read_answers(self) -> None:
        for raw in self._process.stdout:
            try:
                answer = json.loads(raw)
            except ValueError:
                continue
            if isinstance(answer, dict):
                self._answers.put(answer)
        self._answers.put(_EOF)

    def _read_reports(self) -> None:
        for raw in self._process.stderr:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self._stderr_tail.append(line)
            head, sep, text = line.partition(": ")
            kind = head[5:] if head.startswith("page ") else ""
            if not sep or not kind or " " in kind:
                continue
            with self._reported:
                if kind == "console":
                    self.log.append(text)
                else:
                    self.dialogs.append(Dialog(kind, text))
                self._reported.notify_all()

    def _encode(self, value: Any) -> Any:
        if isinstance(value, (Ref, Companion)):
            return value._json()
        if isinstance(value, (list, tuple)):
            return [self._encode(v) for v in value]
        return value

    def _decode(self, value: Any) -> Any:
        if isinstance(value, dict):
            if set(value) == {"ref"}:
                return Ref(value["ref"])
            if set(value) == {"object", "class"}:
                return _companion_class(value["class"])(self, value["object"], value["class"])
            return {k: self._decode(v) for k, v in value.items()}
        if isinstance(value, list):
            return [self._decode(v) for v in value]
        return value


for _operation, _parameters in TABLE["Console"].items():
    setattr(Console, _operation, _make_method(_operation, _parameters, prefixed=False))
