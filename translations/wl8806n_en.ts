<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>HistoryPanel</name>
    <message>
        <source>只显示超限记录</source>
        <translation>Only records out of limits</translation>
    </message>
    <message>
        <source>表中只列出有传感器超出其限值的记录（限值在“传感器”页设定）</source>
        <translation>The table lists only the records where a sensor is outside its limits (limits are set on the &quot;Sensors&quot; tab)</translation>
    </message>
</context>
<context>
    <name>LanguagePanel</name>
    <message>
        <source>启动时的界面语言：</source>
        <translation>Language at start:</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存界面语言</source>
        <translation>Save the window&apos;s language</translation>
    </message>
    <message>
        <source>界面语言未保存：%1</source>
        <translation>The language was not saved: %1</translation>
    </message>
    <message>
        <source>界面语言已保存：%1。</source>
        <translation>Language saved: %1.</translation>
    </message>
    <message>
        <source>界面语言已保存：%1，下次启动时生效。</source>
        <translation>Language saved: %1. It takes effect the next time the program starts.</translation>
    </message>
</context>
<context>
    <name>LiveValuesPanel</name>
    <message>
        <source>设备 %1 超出限值：%2</source>
        <translation>Device %1 out of limits: %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>第%1路</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>，限值 %1 … %2</source>
        <translation>, limits %1 … %2</translation>
    </message>
    <message>
        <source>，下限 %1</source>
        <translation>, low limit %1</translation>
    </message>
    <message>
        <source>，上限 %1</source>
        <translation>, high limit %1</translation>
    </message>
    <message>
        <source>高于上限 %1</source>
        <translation>above the high limit %1</translation>
    </message>
    <message>
        <source>低于下限 %1</source>
        <translation>below the low limit %1</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <translation>%1 %2 %3</translation>
    </message>
    <message>
        <source>%1：%2，超出限值</source>
        <translation>%1: %2, out of limits</translation>
    </message>
</context>
<context>
    <name>RecorderNamePanel</name>
    <message>
        <source>；传感器名称与限值未能改到新名称下（%1）</source>
        <translation>; the sensor names and limits could not be moved to the new name (%1)</translation>
    </message>
</context>
<context>
    <name>SensorTablePanel</name>
    <message>
        <source>记录仪</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>传感器名称与限值</source>
        <translation>Sensor names and limits</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Low limit</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>High limit</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>把这台记录仪的传感器名称和限值存入 sensors.set</source>
        <translation>Save this recorder&apos;s sensor names and limits in sensors.set</translation>
    </message>
    <message>
        <source>限值与实时值、历史值一样以一位小数表示；留空表示没有该限值。等于限值仍在范围内，无读数的传感器从不超限。</source>
        <translation>Limits have one decimal, like live and archived values; leave a limit empty for none. A value equal to a limit is within range; a sensor without a reading is never out of limits.</translation>
    </message>
    <message>
        <source>传感器设置未保存：%1。</source>
        <translation>Sensor settings not saved: %1.</translation>
    </message>
    <message>
        <source>没有选择记录仪</source>
        <translation>No recorder chosen</translation>
    </message>
    <message>
        <source>%1#传感器的%2“%3”不是最多一位小数的数</source>
        <translation>Sensor %1: %2 &quot;%3&quot; is not a number with at most one decimal</translation>
    </message>
    <message>
        <source>%1#传感器：%2</source>
        <translation>Sensor %1: %2</translation>
    </message>
    <message>
        <source>传感器设置：%1 的传感器名称与限值已存入 sensors.set</source>
        <translation>Sensor settings: the sensor names and limits of %1 are saved in sensors.set</translation>
    </message>
</context>
<context>
    <name>ToolsPage</name>
    <message>
        <source>界面语言（Language）</source>
        <translation>Language (界面语言)</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>传感器</source>
        <translation>Sensors</translation>
    </message>
</context>
<context>
    <name>language</name>
    <message>
        <source>--lang %1 不是可用的语言（可用 zh 或 en）</source>
        <translation>--lang %1 is not a language of the program (zh or en)</translation>
    </message>
    <message>
        <source>%1 中的“%2”不是可用的语言（可用 zh 或 en）</source>
        <translation>&quot;%2&quot; in %1 is not a language of the program (zh or en)</translation>
    </message>
    <message>
        <source>%1 无法使用：%2</source>
        <translation>%1 cannot be used: %2</translation>
    </message>
</context>
<context>
    <name>sensors</name>
    <message>
        <source>传感器号 %1 不在 1 到 %2 之间</source>
        <translation>Sensor number %1 is not between 1 and %2</translation>
    </message>
    <message>
        <source>名称“%1”超过 %2 个字符或含制表符、换行</source>
        <translation>Name &quot;%1&quot; is longer than %2 characters or holds a tab or line break</translation>
    </message>
    <message>
        <source>单位“%1”超过 %2 个字符或含制表符、换行</source>
        <translation>Unit &quot;%1&quot; is longer than %2 characters or holds a tab or line break</translation>
    </message>
    <message>
        <source>下限 %1 高于上限 %2</source>
        <translation>Low limit %1 is above high limit %2</translation>
    </message>
    <message>
        <source>没有记录仪名称</source>
        <translation>No recorder name</translation>
    </message>
    <message>
        <source>传感器设置文件 %1 %2，未读取：传感器没有名称和限值</source>
        <translation>Sensor settings file %1 %2 and was not read: sensors have no names or limits</translation>
    </message>
    <message>
        <source>不是 UTF-8 文字</source>
        <translation>is not UTF-8 text</translation>
    </message>
    <message>
        <source>应为“记录仪&lt;Tab&gt;传感器号&lt;Tab&gt;名称&lt;Tab&gt;单位&lt;Tab&gt;下限&lt;Tab&gt;上限”</source>
        <translation>expected &quot;recorder&lt;Tab&gt;sensor number&lt;Tab&gt;name&lt;Tab&gt;unit&lt;Tab&gt;low&lt;Tab&gt;high&quot;</translation>
    </message>
    <message>
        <source>限值不是最多一位小数的数</source>
        <translation>a limit is not a number with at most one decimal</translation>
    </message>
    <message>
        <source>这个传感器前面已有一行</source>
        <translation>this sensor already has an earlier line</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>传感器设置文件 %1 有 %2 行无法使用，已忽略（%3）</source>
        <translation>Sensor settings file %1 has %2 unusable lines, ignored (%3)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
</context>
</TS>
