"""The administrative template against the program: the ADMX sets the key and value that
app/check_policy_win32.cpp reads, and every string the ADMX refers to is in the ADML."""
import os
import re
import xml.etree.ElementTree as ET

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def read(*path):
    with open(os.path.join(ROOT, *path), encoding="utf-8") as f:
        return f.read()


def read_by_program(name):
    """A wide string constant of the policy adapter, its C escapes undone."""
    match = re.search(r'%s\[\] = L"((?:[^"\\]|\\.)*)"' % name, read("app", "check_policy_win32.cpp"))
    assert match, "no %s in the adapter" % name
    return match.group(1).encode().decode("unicode_escape")


def test_the_template_sets_what_the_program_reads_and_its_strings_resolve():
    admx_text = read("policy", "CorvaneUpdateChecker.admx")
    admx = ET.fromstring(admx_text)
    (policy,) = admx.findall("p:policies/p:policy", NS)
    key, value = read_by_program("kPolicyKey"), read_by_program("kPolicyValueName")
    assert [policy.get(a) for a in ("name", "class", "key", "valueName")] == [
        "AllowAutomaticChecks", "Both", key, value]
    for state, decimal in (("enabledValue", "1"), ("disabledValue", "0")):
        assert [d.get("value") for d in policy.findall("p:%s/p:decimal" % state, NS)] == [decimal]
    categories = {c.get("name") for c in admx.iter("{%s}category" % NS["p"])}
    assert policy.find("p:parentCategory", NS).get("ref") in categories
    assert 'reg add "HKLM\\%s" /v %s /t REG_DWORD /d 0' % (key, value) in read("README.md")

    adml = ET.fromstring(read("policy", "en-US", "CorvaneUpdateChecker.adml"))
    strings = {s.get("id"): s.text for s in adml.iter("{%s}string" % NS["p"])}
    used = re.findall(r"\$\(string\.([^)]*)\)", admx_text)
    assert used and [u for u in used if not strings.get(u)] == []
    # A reference into another template (supportedOn) names a namespace the ADMX declares.
    prefixes = {u.get("prefix") for u in admx.findall("p:policyNamespaces/p:using", NS)}
    assert [r for r in (e.get("ref", "") for e in admx.iter()) if ":" in r and r.split(":")[0] not in prefixes] == []
