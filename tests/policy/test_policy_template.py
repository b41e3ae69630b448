"""The administrative template against the program: the key and value the ADMX sets are the ones
app/check_policy_win32.cpp reads, and every string the ADMX refers to is in the ADML."""
import os
import re
import xml.etree.ElementTree as ET

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
ADMX = os.path.join(ROOT, "policy", "CorvaneUpdateChecker.admx")
ADML = os.path.join(ROOT, "policy", "en-US", "CorvaneUpdateChecker.adml")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def read_by_program(name):
    """A wide string constant of the policy adapter, its C escapes undone."""
    source = read(os.path.join(ROOT, "app", "check_policy_win32.cpp"))
    match = re.search(r'%s\[\] = L"((?:[^"\\]|\\.)*)"' % name, source)
    assert match, "no %s in the adapter" % name
    return match.group(1).encode().decode("unicode_escape")


def test_the_policy_sets_the_value_the_program_reads():
    admx = ET.parse(ADMX).getroot()
    (policy,) = admx.findall("p:policies/p:policy", NS)
    key, value = read_by_program("kPolicyKey"), read_by_program("kPolicyValueName")
    assert [policy.get(a) for a in ("name", "class", "key", "valueName")] == [
        "AllowAutomaticChecks", "Both", key, value]
    assert [d.get("value") for d in policy.findall("p:enabledValue/p:decimal", NS)] == ["1"]
    assert [d.get("value") for d in policy.findall("p:disabledValue/p:decimal", NS)] == ["0"]
    categories = {c.get("name") for c in admx.findall("p:categories/p:category", NS)}
    assert policy.find("p:parentCategory", NS).get("ref") in categories
    # The README's example sets the same value.
    assert 'reg add "HKLM\\%s" /v %s /t REG_DWORD /d 0' % (key, value) in read(os.path.join(ROOT, "README.md"))


def test_every_reference_of_the_template_resolves():
    admx = ET.parse(ADMX).getroot()
    strings = {s.get("id"): s.text for s in ET.parse(ADML).findall("p:resources/p:stringTable/p:string", NS)}
    used = re.findall(r"\$\(string\.([^)]*)\)", read(ADMX))
    assert used and [u for u in used if not strings.get(u)] == []
    assert re.findall(r"\$\((?!string\.)", read(ADMX)) == []  # no presentation or other table
    # A reference into another template names a namespace the ADMX declares.
    prefixes = {u.get("prefix") for u in admx.findall("p:policyNamespaces/p:using", NS)}
    refs = [e.get("ref") for e in admx.iter() if e.get("ref") and ":" in e.get("ref")]
    assert [r for r in refs if r.split(":")[0] not in prefixes] == []
    category = admx.find("p:categories/p:category", NS).get("displayName")
    assert strings[category[len("$(string."):-1]] == "Corvane Update Checker"
