<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FAbout</name>
    <message>
        <source>About - Zandrevik</source>
        <translation>Über - Zandrevik</translation>
    </message>
</context>
<context>
    <name>FOptions</name>
    <message>
        <source>Settings - Zandrevik</source>
        <translation>Einstellungen - Zandrevik</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <source>Choose Log File - Zandrevik</source>
        <translation>Protokolldatei wählen - Zandrevik</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;Log Files (*.log);;All Files (*)</source>
        <translation>Textdateien (*.txt);;Protokolldateien (*.log);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>StyleMsg</name>
    <message>
        <source>Never show this again!</source>
        <translation>Nicht mehr anzeigen!</translation>
    </message>
</context>
<context>
    <name>StyleTitle</name>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>UAbout</name>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt;&quot;&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Tahoma&apos;; font-size:22pt; font-weight:600;&quot;&gt;Zandrevik&lt;/span&gt;&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;by the Zandrevik developers&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;version AAAAAA&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body style=&quot; font-family:&apos;Lucida Grande&apos;; font-size:13pt;&quot;&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Tahoma&apos;; font-size:22pt; font-weight:600;&quot;&gt;Zandrevik&lt;/span&gt;&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;von den Zandrevik-Entwicklern&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;Version AAAAAA&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;Copyright © 2026 the Zandrevik developers.&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;Free to use, copy and share.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;Copyright © 2026 die Zandrevik-Entwickler.&lt;/p&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;Frei zu nutzen, zu kopieren und weiterzugeben.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;a href=&quot;https://www.zandrevik.org/&quot;&gt;&lt;span style=&quot; color:#2b6fae;&quot;&gt;Homepage: https://www.zandrevik.org/&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;a href=&quot;https://www.zandrevik.org/&quot;&gt;&lt;span style=&quot; color:#2b6fae;&quot;&gt;Homepage: https://www.zandrevik.org/&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;a href=&quot;mailto:support@zandrevik.org&quot;&gt;&lt;span style=&quot; color:#2b6fae;&quot;&gt;Email: support@zandrevik.org&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p align=&quot;center&quot; style=&quot;margin:0px;&quot;&gt;&lt;a href=&quot;mailto:support@zandrevik.org&quot;&gt;&lt;span style=&quot; color:#2b6fae;&quot;&gt;E-Mail: support@zandrevik.org&lt;/span&gt;&lt;/a&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>UOptions</name>
    <message>
        <source>Language:</source>
        <translation>Sprache:</translation>
    </message>
    <message>
        <source>Maximum Lines of Log Display:</source>
        <translation>Höchstzahl der Zeilen im Protokoll:</translation>
    </message>
    <message>
        <source>Save Log to File:</source>
        <translation>Protokoll speichern in:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Disable All Confirms</source>
        <translation>Alle Rückfragen abschalten</translation>
    </message>
    <message>
        <source>Reset All Confirms</source>
        <translation>Alle Rückfragen zurücksetzen</translation>
    </message>
</context>
</TS>
