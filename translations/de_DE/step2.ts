<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>FMainWorkflow</name>
    <message>
        <location filename="../../app/fmainworkflow.cpp" line="210"/>
        <source>Guide</source>
        <translation>Anleitung</translation>
    </message>
    <message>
        <location filename="../../app/fmainworkflow.cpp" line="282"/>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
</context>
<context>
    <name>FOperationSelect</name>
    <message>
        <location filename="../../app/foperationselect.cpp" line="16"/>
        <source>Add Operations - Zandrevik</source>
        <translation>Operationen hinzufügen - Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/foperationselect.cpp" line="25"/>
        <source>All</source>
        <translation>Alle</translation>
    </message>
</context>
<context>
    <name>OptGuide</name>
    <message>
        <location filename="../../app/forms/optguide.ui" line="14"/>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../app/forms/optguide.ui" line="35"/>
        <source>Operations are organized as a pipeline.

By configuring needed operations and adjust their sequence, you can resize, rotate, crop photos, add watermark and timestamp to photos.

As &quot;pipeline&quot; hint, Zandrevik will apply operations sequentially to each photos, so the order of operations is important.

Click the button (Add) to add new operations.</source>
        <translation>Operationen sind als Pipeline organisiert.

Indem Sie die benötigten Operationen einrichten und ihre Reihenfolge anpassen, können Sie Fotos skalieren, drehen und zuschneiden sowie mit Wasserzeichen und Zeitstempeln versehen.

Wie der Begriff „Pipeline“ andeutet, wendet Zandrevik die Operationen nacheinander auf jedes Foto an; die Reihenfolge der Operationen ist daher wichtig.

Klicken Sie auf die Schaltfläche (Hinzufügen), um neue Operationen hinzuzufügen.</translation>
    </message>
</context>
<context>
    <name>UFMainWorkflow</name>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="6"/>
        <source>FMainWorkflow</source>
        <translation>FMainWorkflow</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="18"/>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="19"/>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="20"/>
        <source>Move Left</source>
        <translation>Nach links</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="21"/>
        <source>Move Right</source>
        <translation>Nach rechts</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="33"/>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="40"/>
        <source>Current</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="47"/>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="57"/>
        <source>Stop Refresh</source>
        <translation>Aktualisierung anhalten</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="58"/>
        <location filename="../../app/forms/fmainworkflow.ui" line="59"/>
        <source>Best Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="60"/>
        <source>Actual Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="62"/>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="63"/>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="65"/>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <location filename="../../app/forms/fmainworkflow.ui" line="66"/>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>UOperationSelect</name>
    <message>
        <location filename="../../app/forms/foperationselect.ui" line="14"/>
        <source>Select an Operation</source>
        <translation>Operation auswählen</translation>
    </message>
    <message>
        <location filename="../../app/forms/foperationselect.ui" line="65"/>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <location filename="../../app/forms/foperationselect.ui" line="72"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
