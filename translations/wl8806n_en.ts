<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AlarmNotice</name>
    <message>
        <source>未确认的报警</source>
        <translation>Unacknowledged alarms</translation>
    </message>
    <message>
        <source>最新的未确认报警</source>
        <translation>Newest unacknowledged alarm</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>转到“报警”页并选中这条报警，填写确认人后确认</source>
        <translation>Go to the Alarms tab with this alarm selected; enter who acknowledges, then acknowledge</translation>
    </message>
    <message>
        <source>报警无法显示为桌面通知（%1），只显示在本窗口顶部</source>
        <translation>Alarms cannot be shown as desktop notifications (%1); they show at the top of this window only</translation>
    </message>
    <message>
        <source>报警：%1</source>
        <translation>Alarm: %1</translation>
    </message>
    <message>
        <source>自 %1 起，报警编号 %2</source>
        <translation>Since %1, alarm %2</translation>
    </message>
    <message>
        <source>【报警 %1】</source>
        <translation>[ALARM %1] </translation>
    </message>
    <message>
        <source>报警：%1，自 %2 起</source>
        <translation>Alarm: %1, since %2</translation>
    </message>
    <message>
        <source>（另有 %1 条）</source>
        <translation> (%1 more)</translation>
    </message>
    <message>
        <source>%1 条报警未确认
%2</source>
        <translation>%1 alarms unacknowledged
%2</translation>
    </message>
    <message>
        <source>%1（限值 %2）</source>
        <translation>%1 (limit %2)</translation>
    </message>
</context>
<context>
    <name>AlarmNotifications</name>
    <message>
        <source>没有会话总线</source>
        <translation>no session bus</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
</context>
<context>
    <name>AlarmPanel</name>
    <message>
        <source>监视程序状态</source>
        <translation>Watcher state</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>从存档重新读取报警和监视程序的状态</source>
        <translation>Read the alarms and the watcher&apos;s state from the archive again</translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>记录仪</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>传感器</source>
        <translation>Sensor</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledged</translation>
    </message>
    <message>
        <source>解除时间</source>
        <translation>Cleared at</translation>
    </message>
    <message>
        <source>确认人</source>
        <translation>Acknowledged by</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>确认报警</source>
        <translation>Acknowledge alarm</translation>
    </message>
    <message>
        <source>确认列表中选中的报警：记入存档，监视程序不再重复通知</source>
        <translation>Acknowledge the alarm selected in the list: it is recorded in the archive and the watcher stops repeating it</translation>
    </message>
    <message>
        <source>没有存档</source>
        <translation>No archive</translation>
    </message>
    <message>
        <source>存档无法打开：%1</source>
        <translation>The archive cannot be opened: %1</translation>
    </message>
    <message>
        <source>监视程序从未运行</source>
        <translation>The watcher has never run</translation>
    </message>
    <message>
        <source>监视程序运行中：主机 %1，最后读取 %2</source>
        <translation>Watcher running: host %1, last read %2</translation>
    </message>
    <message>
        <source>监视程序没有在运行（最后一次：%1，主机 %2）</source>
        <translation>The watcher is not running (last seen: %1, host %2)</translation>
    </message>
    <message>
        <source>已解除</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>Acknowledged</translation>
    </message>
    <message>
        <source>报警中</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
    <message>
        <source>报警没有确认：存档无法打开：%1</source>
        <translation>Alarm not acknowledged: the archive cannot be opened: %1</translation>
    </message>
    <message>
        <source>报警没有确认：请先在列表中选择一条报警</source>
        <translation>Alarm not acknowledged: select an alarm in the list first</translation>
    </message>
    <message>
        <source>报警 %1 没有确认：请在“确认人”中填写确认人的姓名</source>
        <translation>Alarm %1 not acknowledged: enter a name in &quot;Acknowledged by&quot;</translation>
    </message>
    <message>
        <source>报警 %1 没有确认：%2</source>
        <translation>Alarm %1 not acknowledged: %2</translation>
    </message>
    <message>
        <source>报警 %1 已由 %2 确认</source>
        <translation>Alarm %1 acknowledged by %2</translation>
    </message>
    <message>
        <source>所选报警的通知</source>
        <translation>Notifications of the selected alarm</translation>
    </message>
</context>
<context>
    <name>ArchiveAuditPanel</name>
    <message>
        <source>审计记录…</source>
        <translation>Audit trail…</translation>
    </message>
    <message>
        <source>查看存档的审计记录，导出为CSV，检查存档是否被改动</source>
        <translation>Show the archive&apos;s audit trail, export it as CSV, check whether the archive was changed</translation>
    </message>
</context>
<context>
    <name>ArchiveSettingsDialog</name>
    <message>
        <source>存档数据库设置</source>
        <translation>Archive database settings</translation>
    </message>
    <message>
        <source>本机文件（SQLite）</source>
        <translation>Local file (SQLite)</translation>
    </message>
    <message>
        <source>PostgreSQL 服务器</source>
        <translation>PostgreSQL server</translation>
    </message>
    <message>
        <source>文件：%1/%2</source>
        <translation>File: %1/%2</translation>
    </message>
    <message>
        <source>主机</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>数据库</source>
        <translation>Database</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>口令</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>db.example 或 /run/postgresql</source>
        <translation>db.example or /run/postgresql</translation>
    </message>
    <message>
        <source>空着：用 ~/.pgpass 或服务器信任本机用户</source>
        <translation>Empty: ~/.pgpass, or the server trusts local users</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>Test connection</translation>
    </message>
    <message>
        <source>连接测试结果</source>
        <translation>Connection test result</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>端口“%1”不是 1–65535 之间的数字</source>
        <translation>Port &quot;%1&quot; is not a number from 1 to 65535</translation>
    </message>
    <message>
        <source>正在连接……</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>连接成功，存档可以使用。</source>
        <translation>Connected: the archive can be used.</translation>
    </message>
    <message>
        <source>连接失败：%1</source>
        <translation>Connection failed: %1</translation>
    </message>
    <message>
        <source>设置没有保存：%1</source>
        <translation>Settings not saved: %1</translation>
    </message>
</context>
<context>
    <name>AuditDialog</name>
    <message>
        <source>审计记录</source>
        <translation>Audit trail</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>记录仪</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>类别</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>原值</source>
        <translation>Old value</translation>
    </message>
    <message>
        <source>新值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>存档检查结果</source>
        <translation>Archive check result</translation>
    </message>
    <message>
        <source>检查存档</source>
        <translation>Check archive</translation>
    </message>
    <message>
        <source>核对存档的全部哈希链，看记录和审计记录是否被改动过</source>
        <translation>Check every hash chain of the archive to see whether records or the audit trail were changed</translation>
    </message>
    <message>
        <source>导出CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>把列表中显示的审计记录存为CSV文件</source>
        <translation>Save the audit entries shown in the list as a CSV file</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>没有存档</source>
        <translation>No archive</translation>
    </message>
    <message>
        <source>存档打不开：%1</source>
        <translation>The archive cannot be opened: %1</translation>
    </message>
    <message>
        <source>导出审计记录为CSV</source>
        <translation>Export the audit trail as CSV</translation>
    </message>
    <message>
        <source>审计记录未能导出：%1</source>
        <translation>The audit trail was not exported: %1</translation>
    </message>
    <message>
        <source>审计记录已导出到 %1</source>
        <translation>Audit trail exported to %1</translation>
    </message>
    <message>
        <source>存档没有检查：%1</source>
        <translation>The archive was not checked: %1</translation>
    </message>
    <message>
        <source>存档完好：%1 行都与哈希链相符</source>
        <translation>The archive is intact: all %1 rows match their hash chains</translation>
    </message>
    <message>
        <source>存档被改动过：表 %1，记录仪 %2，%3：%4</source>
        <translation>The archive was changed: table %1, recorder %2, %3: %4</translation>
    </message>
</context>
<context>
    <name>BaudRatePanel</name>
    <message>
        <source>当前波特率代码</source>
        <translation>Current baud rate code</translation>
    </message>
    <message>
        <source>更改为的波特率代码</source>
        <translation>New baud rate code</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>值对应波特率 1-4800 2-9600 3-14400 4-19200 5-38400</source>
        <translation>Codes: 1-4800 2-9600 3-14400 4-19200 5-38400</translation>
    </message>
    <message>
        <source>当前波特率</source>
        <translation>Current baud rate</translation>
    </message>
    <message>
        <source>更改为</source>
        <translation>New:</translation>
    </message>
    <message>
        <source>修改波特率</source>
        <translation>Change baud rate</translation>
    </message>
    <message>
        <source>%1：写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
    <message>
        <source>，请核对“当前波特率”代码</source>
        <translation>; check the &quot;Current baud rate&quot; code</translation>
    </message>
    <message>
        <source>%1：记录仪波特率已改为 %2（代码 %3）。本机端口仍为 %4，请在“串口设置”中把波特率改为 %2 并重新打开端口后再通讯。</source>
        <translation>%1: the recorder&apos;s baud rate is now %2 (code %3). This computer&apos;s port is still at %4: set the baud rate to %2 under &quot;Serial port settings&quot; and open the port again before communicating.</translation>
    </message>
    <message>
        <source>当前波特率：</source>
        <translation>Current:</translation>
    </message>
    <message>
        <source>%1：记录仪波特率已改为 %2（代码 %3）。请在串口服务器或网关上把串口波特率也改为 %2 后再通讯。</source>
        <translation>%1: the recorder&apos;s baud rate is now %2 (code %3). Set the serial side of the device server or gateway to %2 as well before talking to it again.</translation>
    </message>
</context>
<context>
    <name>BoxInput</name>
    <message>
        <source>功能号</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data length</translation>
    </message>
    <message>
        <source>定时(ms)</source>
        <translation>Timer (ms)</translation>
    </message>
</context>
<context>
    <name>BusMonitorPanel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Dir.</translation>
    </message>
    <message>
        <source>间隔(ms)</source>
        <translation>Gap (ms)</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>解析</source>
        <translation>Decoded</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Bus monitor</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>按设备地址筛选</source>
        <translation>Filter by device address</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>仅显示错误</source>
        <translation>Errors only</translation>
    </message>
    <message>
        <source>异常应答、CRC错误、残帧、多余或丢弃的字节、无应答</source>
        <translation>Exception replies, CRC errors, torn frames, extra or dropped bytes, no reply</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止刷新表格；记录照常进行，继续时补上</source>
        <translation>Stops refreshing the table; frames are still logged and appear when you continue</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>把表格中显示的帧保存为文本或CSV文件</source>
        <translation>Save the frames shown in the table as a text or CSV file</translation>
    </message>
    <message>
        <source>显示的帧数</source>
        <translation>Frames shown</translation>
    </message>
    <message>
        <source>通信帧列表</source>
        <translation>Frame list</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>显示 %1 帧，共记录 %2 帧（最多保留 %3 帧）</source>
        <translation>%1 frames shown, %2 logged (at most %3 kept)</translation>
    </message>
    <message>
        <source>；已暂停，%1 帧未显示</source>
        <translation>; paused, %1 frames not shown</translation>
    </message>
    <message>
        <source>表格中没有可保存的帧</source>
        <translation>The table holds no frames to save</translation>
    </message>
    <message>
        <source>保存通信监视记录</source>
        <translation>Save the bus monitor log</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;CSV文件 (*.csv)</source>
        <translation>Text files (*.txt);;CSV files (*.csv)</translation>
    </message>
    <message>
        <source>无法保存 %1：%2
原有的文件没有改动。</source>
        <translation>Cannot save %1: %2
The existing file was not changed.</translation>
    </message>
    <message>
        <source>已把 %1 帧保存到 %2</source>
        <translation>%1 frames saved to %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>通信监视_%1.txt</source>
        <translation>bus-monitor_%1.txt</translation>
    </message>
</context>
<context>
    <name>BusScanPanel</name>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>Last address</translation>
    </message>
    <message>
        <source>应答等待(ms)</source>
        <translation>Reply wait (ms)</translation>
    </message>
    <message>
        <source>依次使用记录仪的五种波特率（4800–38400），否则只用端口当前的波特率</source>
        <translation>Try the recorder&apos;s five baud rates in turn (4800–38400); otherwise only the port&apos;s current baud rate</translation>
    </message>
    <message>
        <source>开始扫描</source>
        <translation>Start scan</translation>
    </message>
    <message>
        <source>向每个地址读一次传感器总数（只读，不写入任何内容），列出应答的设备</source>
        <translation>Reads the sensor count once at each address (read only, nothing is written) and lists the devices that reply</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>立即停止扫描</source>
        <translation>Stop the scan now</translation>
    </message>
    <message>
        <source>扫描进度</source>
        <translation>Scan progress</translation>
    </message>
    <message>
        <source>正在询问的地址</source>
        <translation>Address being asked</translation>
    </message>
    <message>
        <source>扫描剩余时间</source>
        <translation>Scan time left</translation>
    </message>
    <message>
        <source>找到的设备</source>
        <translation>Devices found</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>设为当前设备</source>
        <translation>Use this device</translation>
    </message>
    <message>
        <source>把选中设备的地址填入“设备地址”，并把端口改为它的波特率</source>
        <translation>Puts the chosen device&apos;s address into &quot;Device address&quot; and sets the port to its baud rate</translation>
    </message>
    <message>
        <source>（应答较慢，可加大应答等待）</source>
        <translation> (slow reply: a longer reply wait may help)</translation>
    </message>
    <message>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <source>总线扫描：端口未打开，未扫描</source>
        <translation>Bus scan: the port is not open; nothing was scanned</translation>
    </message>
    <message>
        <source>正在询问：地址 %1，%2 bps</source>
        <translation>Asking: address %1, %2 bps</translation>
    </message>
    <message>
        <source>总线扫描：完成</source>
        <translation>Bus scan: done</translation>
    </message>
    <message>
        <source>总线扫描：已停止</source>
        <translation>Bus scan: stopped</translation>
    </message>
    <message>
        <source>总线扫描：端口已断开，扫描中止</source>
        <translation>Bus scan: the port was disconnected; scan stopped</translation>
    </message>
    <message>
        <source>，询问了 %1 次，找到 %2 台设备</source>
        <translation>, %1 requests, %2 devices found</translation>
    </message>
    <message>
        <source>；端口不支持 %1 bps，未扫描该波特率</source>
        <translation>; the port does not support %1 bps, so that rate was not scanned</translation>
    </message>
    <message>
        <source>设为当前设备：请先在列表中选择一台设备</source>
        <translation>Use this device: first choose a device in the list</translation>
    </message>
    <message>
        <source>设为当前设备：设备地址 %1，端口波特率 %2（按“保存”可写入 comm.set）</source>
        <translation>Use this device: device address %1, port baud rate %2 (&quot;Save&quot; writes it to comm.set)</translation>
    </message>
</context>
<context>
    <name>ClockPanel</name>
    <message>
        <source>星期（1为星期日，7为星期六）</source>
        <translation>Weekday (1 Sunday, 7 Saturday)</translation>
    </message>
    <message>
        <source>写入电脑时钟</source>
        <translation>Write PC clock</translation>
    </message>
    <message>
        <source>读时钟</source>
        <translation>Read clock</translation>
    </message>
    <message>
        <source>写入电脑时钟：未完成（%1）</source>
        <translation>Write PC clock: not done (%1)</translation>
    </message>
    <message>
        <source>写入电脑时钟：以下写入未被确认：%1</source>
        <translation>Write PC clock: these writes were not confirmed: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>写入电脑时钟：设备时钟已设为 %1</source>
        <translation>PC clock written: the device clock is set to %1</translation>
    </message>
</context>
<context>
    <name>CommandStart</name>
    <message>
        <source>总线忙：另一条命令正在进行，本命令未执行。</source>
        <translation>Bus busy: another command is in progress; this command was not run.</translation>
    </message>
    <message>
        <source>%1：总线忙，另一条命令正在进行，命令未发送</source>
        <translation>%1: bus busy, another command is in progress; the command was not sent</translation>
    </message>
</context>
<context>
    <name>ExportPanel</name>
    <message>
        <source>系统提示</source>
        <translation>System Notice</translation>
    </message>
    <message>
        <source>导出数据为记事本TXT</source>
        <translation>Export as TXT</translation>
    </message>
    <message>
        <source>导出数据为EXCEL表格</source>
        <translation>Export as Excel</translation>
    </message>
    <message>
        <source>导出数据为CSV</source>
        <translation>Export as CSV</translation>
    </message>
    <message>
        <source>EXCEL已打开</source>
        <translation>Excel is open</translation>
    </message>
    <message>
        <source>数据源为空，请先读取记录仪数据!</source>
        <translation>No data: read the recorder&apos;s data first!</translation>
    </message>
    <message>
        <source>“%1”中的“%2”不是有效的数字，导出未进行。</source>
        <translation>&quot;%2&quot; in &quot;%1&quot; is not a valid number; nothing was exported.</translation>
    </message>
    <message>
        <source>条数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>传感器总数</source>
        <translation>Sensor count</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>已导出到 %1，但以下记录未导出：
</source>
        <translation>Exported to %1, but these records were not exported:
</translation>
    </message>
    <message>
        <source>记录_%1</source>
        <translation>records_%1</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Exported to %1</translation>
    </message>
    <message>
        <source>已导出到 %1（本机没有能打开此类文件的程序，文件已写好）</source>
        <translation>Exported to %1 (the file is written; no program on this computer opens files of this kind)</translation>
    </message>
</context>
<context>
    <name>ExtendedPage</name>
    <message>
        <source>测点数据倍率</source>
        <translation>Measuring point multipliers</translation>
    </message>
    <message>
        <source>传感器类型</source>
        <translation>Sensor types</translation>
    </message>
</context>
<context>
    <name>FileChoice</name>
    <message>
        <source>系统提示</source>
        <translation>System Notice</translation>
    </message>
    <message>
        <source>%1 已存在。
要替换它吗？</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>HistoryModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>%1#传感器</source>
        <translation>Sensor %1</translation>
    </message>
    <message>
        <source>%1#
传感器</source>
        <translation>Sensor
%1</translation>
    </message>
</context>
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
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>全部时段</source>
        <translation>All times</translation>
    </message>
    <message>
        <source>存档设置…</source>
        <translation>Archive…</translation>
    </message>
    <message>
        <source>读出所选记录仪在这段时间内存档的记录</source>
        <translation>Show the records archived for the chosen recorder in this period</translation>
    </message>
    <message>
        <source>使用本机存档文件或 PostgreSQL 服务器</source>
        <translation>Use a local archive file or a PostgreSQL server</translation>
    </message>
    <message>
        <source>历史记录表</source>
        <translation>History records</translation>
    </message>
    <message>
        <source>曲线显示的传感器</source>
        <translation>Sensors in the chart</translation>
    </message>
    <message>
        <source>历史曲线</source>
        <translation>History chart</translation>
    </message>
    <message>
        <source>导出文本</source>
        <translation>Export text</translation>
    </message>
    <message>
        <source>导出Excel(.xls)</source>
        <translation>Excel (.xls)</translation>
    </message>
    <message>
        <source>导出Excel(.xlsx)</source>
        <translation>Excel (.xlsx)</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>保存曲线图片</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>保存曲线PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <source>打印曲线…</source>
        <translation>Print…</translation>
    </message>
    <message>
        <source>报告…</source>
        <translation>Report…</translation>
    </message>
    <message>
        <source>所选记录仪一段时间的报告（PDF）：统计、MKT、超限、记录完整性、曲线和报警</source>
        <translation>A report (PDF) of the chosen recorder over a period: statistics, MKT, excursions, completeness, chart and alarms</translation>
    </message>
    <message>
        <source>复原缩放</source>
        <translation>Reset zoom</translation>
    </message>
    <message>
        <source>显示全部时段；在曲线上拖出矩形放大，滚轮缩放，右键拖动平移</source>
        <translation>Show the whole period; drag a rectangle on the chart to zoom in, use the wheel to zoom, drag with the right button to pan</translation>
    </message>
    <message>
        <source>记录仪</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>存档打不开：%1</source>
        <translation>The archive cannot be opened: %1</translation>
    </message>
    <message>
        <source>历史数据：</source>
        <translation>History: </translation>
    </message>
    <message>
        <source>历史数据：存档中还没有记录，请先读取记录</source>
        <translation>History: the archive holds no records yet; read records first</translation>
    </message>
    <message>
        <source>“从”的时间晚于“到”的时间，请改正时段。</source>
        <translation>The &quot;From&quot; time is later than the &quot;To&quot; time. Please correct the period.</translation>
    </message>
    <message>
        <source>%1：%2 至 %3，共 %4 条记录</source>
        <translation>%1: %2 to %3, %4 records</translation>
    </message>
    <message>
        <source>（%1 条记录的时间不是有效日期，未显示）</source>
        <translation> (%1 records without a valid date not shown)</translation>
    </message>
    <message>
        <source>导出：没有显示任何记录，请先选择记录仪和时段并按“显示”</source>
        <translation>Export: no records shown; choose a recorder and a period first and press &quot;Show&quot;</translation>
    </message>
    <message>
        <source>导出时段为文本</source>
        <translation>Export the period as text</translation>
    </message>
    <message>
        <source>导出时段为Excel(.xls)</source>
        <translation>Export the period as Excel (.xls)</translation>
    </message>
    <message>
        <source>导出时段为Excel(.xlsx)</source>
        <translation>Export the period as Excel (.xlsx)</translation>
    </message>
    <message>
        <source>导出时段为CSV</source>
        <translation>Export the period as CSV</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>已导出 %1 条记录到 %2</source>
        <translation>%1 records exported to %2</translation>
    </message>
    <message>
        <source>曲线已保存到 %1</source>
        <translation>Chart saved to %1</translation>
    </message>
    <message>
        <source>打印曲线</source>
        <translation>Print chart</translation>
    </message>
    <message>
        <source>曲线已送往打印机</source>
        <translation>Chart sent to the printer</translation>
    </message>
    <message>
        <source>报告：存档中还没有记录，请先读取记录</source>
        <translation>Report: the archive holds no records yet; read records first</translation>
    </message>
    <message>
        <source>报告：</source>
        <translation>Report: </translation>
    </message>
    <message>
        <source>保存报告</source>
        <translation>Save the report</translation>
    </message>
    <message>
        <source>报告已保存到 %1</source>
        <translation>Report saved to %1</translation>
    </message>
    <message>
        <source>存档：PostgreSQL %1@%2:%3/%4</source>
        <translation>Archive: PostgreSQL %1@%2:%3/%4</translation>
    </message>
    <message>
        <source>存档：本机文件 %1</source>
        <translation>Archive: local file %1</translation>
    </message>
    <message>
        <source>曲线光标处的值</source>
        <translation>Value at the chart cursor</translation>
    </message>
    <message>
        <source>历史数据状态</source>
        <translation>History status</translation>
    </message>
    <message>
        <source>%1 小时</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>，记录间隔 %1</source>
        <translation>, recording interval %1</translation>
    </message>
    <message>
        <source>打印失败：%1</source>
        <translation>Printing failed: %1</translation>
    </message>
    <message>
        <source>曲线未能打印到 %1：%2</source>
        <translation>The chart could not be printed to %1: %2</translation>
    </message>
    <message>
        <source>曲线已打印到 %1</source>
        <translation>Chart printed to %1</translation>
    </message>
    <message>
        <source>存档中还没有记录：在“记录操作”读取记录后，这里显示记录仪最近 %1 天的记录</source>
        <translation>The archive holds no records yet: once records are read on &quot;Records&quot;, the recorder&apos;s last %1 days show here</translation>
    </message>
    <message>
        <source>所选时段没有记录</source>
        <translation>No records in the chosen period</translation>
    </message>
    <message>
        <source>报告</source>
        <translation>report</translation>
    </message>
</context>
<context>
    <name>InstrumentPage</name>
    <message>
        <source>RS485 MODBUS-RTU轮循设备总数</source>
        <translation>RS485 MODBUS-RTU polled devices</translation>
    </message>
    <message>
        <source>记录时间间隔</source>
        <translation>Recording interval</translation>
    </message>
    <message>
        <source>设备时钟</source>
        <translation>Device clock</translation>
    </message>
    <message>
        <source>RS485轮循数据长度</source>
        <translation>RS485 polling data length</translation>
    </message>
    <message>
        <source>RS485轮循寄存器起始地址</source>
        <translation>RS485 polling first register</translation>
    </message>
    <message>
        <source>RS485轮循设备地址</source>
        <translation>RS485 polling device address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
</context>
<context>
    <name>IntervalPanel</name>
    <message>
        <source>时间间隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>设置记录时间间隔</source>
        <translation>Set interval</translation>
    </message>
    <message>
        <source>读记录时间间隔</source>
        <translation>Read interval</translation>
    </message>
    <message>
        <source>值范围：1-9999，0时则不记录,当需要两个时间差为整数时，比如定时60秒，此值应设为59，建议此值大于59秒，以保证通讯流畅</source>
        <translation>Range 1-9999; 0 records nothing. For whole steps between records, e.g. every 60 seconds, set 59. Values above 59 seconds are advised, so that communication runs smoothly</translation>
    </message>
    <message>
        <source>已设为 0（不记录）</source>
        <translation>set to 0 (no recording)</translation>
    </message>
    <message>
        <source>已设为 0（不记录；%1）</source>
        <translation>set to 0 (no recording; %1)</translation>
    </message>
    <message>
        <source>已设为 %1 秒</source>
        <translation>set to %1 seconds</translation>
    </message>
    <message>
        <source>已设为 %1 秒（%2）</source>
        <translation>set to %1 seconds (%2)</translation>
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
    <name>Line</name>
    <message>
        <source>“%1”不是可用的线路：请写成 rtu-over-tcp://主机:端口 或 tcp://主机:端口，或串口设备的路径</source>
        <translation>“%1” is not a usable line: write rtu-over-tcp://host:port or tcp://host:port, or the path of a serial device</translation>
    </message>
    <message>
        <source>COM%1（%2）</source>
        <translation>COM%1 (%2)</translation>
    </message>
    <message>
        <source>连接 %1 已停止</source>
        <translation>Connecting to %1 stopped</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>%1 ms 内未连上</source>
        <translation>no connection within %1 ms</translation>
    </message>
    <message>
        <source>无法连接 %1：%2</source>
        <translation>Cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>监视程序 %1 ms 内没有回应</source>
        <translation>The watcher did not answer within %1 ms</translation>
    </message>
    <message>
        <source>无法经由监视程序使用 %1：%2</source>
        <translation>Cannot use %1 through the watcher: %2</translation>
    </message>
    <message>
        <source>监视程序断开了连接</source>
        <translation>The watcher closed the connection</translation>
    </message>
</context>
<context>
    <name>Link</name>
    <message>
        <source>%1 的连接中断（%2），下一次请求前重新连接</source>
        <translation>The connection to %1 dropped (%2); it is made again before the next request</translation>
    </message>
    <message>
        <source>线路正忙，请稍后再打开</source>
        <translation>The line is busy; open it again in a moment</translation>
    </message>
</context>
<context>
    <name>LivePage</name>
    <message>
        <source>特别注意：记录仪默认设备地址为21</source>
        <translation>Note: the recorder&apos;s default device address is 21</translation>
    </message>
    <message>
        <source>温度组1</source>
        <translation>Temperature group 1</translation>
    </message>
    <message>
        <source>多模块操作</source>
        <translation>Multi-module</translation>
    </message>
    <message>
        <source>单次采集</source>
        <translation>Single acquisition</translation>
    </message>
    <message>
        <source>存储状态监测</source>
        <translation>Storage state</translation>
    </message>
</context>
<context>
    <name>LiveTrendPanel</name>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>显示的传感器</source>
        <translation>Sensors shown</translation>
    </message>
    <message>
        <source>%1#传感器</source>
        <translation>Sensor %1</translation>
    </message>
    <message>
        <source>显示全部</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>曲线读数</source>
        <translation>Trend reading</translation>
    </message>
    <message>
        <source>设备 %1</source>
        <translation>Device %1</translation>
    </message>
    <message>
        <source>单次或循环读取后，这里显示读数</source>
        <translation>Readings show here after &quot;Once&quot; or &quot;Cycle&quot;</translation>
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
    <message>
        <source>第%1路实时值</source>
        <translation>Live value of channel %1</translation>
    </message>
    <message>
        <source>%1：%2；只收到 %3 个值，已显示，其余保持原值</source>
        <translation>%1: %2; only %3 values received and shown, the others keep their values</translation>
    </message>
</context>
<context>
    <name>ModbusPanel</name>
    <message>
        <source>MODBUS-RTU设置</source>
        <translation>MODBUS-RTU settings</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data length</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Function</translation>
    </message>
</context>
<context>
    <name>ModulePassPanel</name>
    <message>
        <source>单次循环</source>
        <translation>Single cycle</translation>
    </message>
    <message>
        <source>自动循环</source>
        <translation>Auto cycle</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>依次访问模块 1 到模块总数：读实时数据、读条数、读取所有记录</source>
        <translation>Visit modules 1 to the module count in turn: read live data, read the count, read all records</translation>
    </message>
    <message>
        <source>反复执行单次循环，直到按“停止”</source>
        <translation>Repeat the single cycle until &quot;Stop&quot; is pressed</translation>
    </message>
    <message>
        <source>立即停止模块循环，包括其中的等待和记录读取</source>
        <translation>Stop the module cycle at once, with its waits and record reading</translation>
    </message>
    <message>
        <source>模块轮询(ms)</source>
        <translation>Module poll (ms)</translation>
    </message>
    <message>
        <source>ModSet.set 中的模块总数 %1 不在 0 到 255 之间，命令未发送。</source>
        <translation>The module count %1 in ModSet.set is not between 0 and 255. Command not sent.</translation>
    </message>
    <message>
        <source>：
</source>
        <translation>:
</translation>
    </message>
    <message>
        <source>单次循环：模块总数为 0，没有要访问的模块</source>
        <translation>Single cycle: the module count is 0, no module to visit</translation>
    </message>
    <message>
        <source>单次循环：已完成，共 %1 个模块</source>
        <translation>Single cycle: done, %1 modules</translation>
    </message>
    <message>
        <source>单次循环：已停止</source>
        <translation>Single cycle: stopped</translation>
    </message>
    <message>
        <source>单次循环：端口未打开或已断开，循环已中止</source>
        <translation>Single cycle: port not open or disconnected; cycle ended</translation>
    </message>
    <message>
        <source>自动循环：模块总数为 0，没有要访问的模块</source>
        <translation>Auto cycle: the module count is 0, no module to visit</translation>
    </message>
    <message>
        <source>自动循环：已完成 %1 遍</source>
        <translation>Auto cycle: %1 passes done</translation>
    </message>
    <message>
        <source>自动循环：已停止，完成 %1 遍</source>
        <translation>Auto cycle: stopped after %1 passes</translation>
    </message>
    <message>
        <source>自动循环：端口未打开或已断开，完成 %1 遍</source>
        <translation>Auto cycle: port not open or disconnected after %1 passes</translation>
    </message>
    <message>
        <source>自动循环（最后一遍）</source>
        <translation>Auto cycle (last pass)</translation>
    </message>
    <message>
        <source>串口未打开，无法开始单次循环。请先打开串口。</source>
        <translation>The serial port is not open, so a single pass cannot start. Open the port first.</translation>
    </message>
    <message>
        <source>串口未打开，无法开始自动循环。请先打开串口。</source>
        <translation>The serial port is not open, so automatic passes cannot start. Open the port first.</translation>
    </message>
</context>
<context>
    <name>PollingPanel</name>
    <message>
        <source>单次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>多设备循检</source>
        <translation>Multi-device pass</translation>
    </message>
    <message>
        <source>定时(ms)</source>
        <translation>Timer (ms)</translation>
    </message>
    <message>
        <source>超始设备地址</source>
        <translation>First device address</translation>
    </message>
    <message>
        <source>终止设备地址</source>
        <translation>Last device address</translation>
    </message>
    <message>
        <source>串口未打开，无法开始循环采集。请先打开串口。</source>
        <translation>The serial port is not open, so cyclic reading cannot start. Open the port first.</translation>
    </message>
    <message>
        <source>串口未打开，无法开始多设备循检。请先打开串口。</source>
        <translation>The serial port is not open, so the multi-device pass cannot start. Open the port first.</translation>
    </message>
    <message>
        <source>串口已关闭，循环采集暂停；重新打开串口后继续。</source>
        <translation>The serial port is closed: cyclic reading is paused and goes on when the port is open again.</translation>
    </message>
    <message>
        <source>串口已关闭，多设备循检暂停；重新打开串口后继续。</source>
        <translation>The serial port is closed: the multi-device pass is paused and goes on when the port is open again.</translation>
    </message>
    <message>
        <source>循环采集中</source>
        <translation>Cyclic read running</translation>
    </message>
    <message>
        <source>多设备循检中</source>
        <translation>Multi-device poll running</translation>
    </message>
    <message>
        <source>%1（按“停止”结束）</source>
        <translation>%1 (press “Stop” to end it)</translation>
    </message>
</context>
<context>
    <name>PollingTablePanel</name>
    <message>
        <source>读参数</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>读参数：%1</source>
        <translation>Read parameters: %1</translation>
    </message>
    <message>
        <source>写参数</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>写参数：%1</source>
        <translation>Write parameters: %1</translation>
    </message>
    <message>
        <source>%1 预设值</source>
        <translation>%1 preset value</translation>
    </message>
    <message>
        <source>统一预设</source>
        <translation>Same for all</translation>
    </message>
    <message>
        <source>顺序预设</source>
        <translation>In sequence</translation>
    </message>
    <message>
        <source>测点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>寄存器 %1 已写入 %2</source>
        <translation>register %1 set to %2</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>测点%1 的“%2”</source>
        <translation>&quot;%2&quot; of point %1</translation>
    </message>
    <message>
        <source>测点%1 %2</source>
        <translation>point %1 %2</translation>
    </message>
    <message>
        <source>“%1”中以下参数不是 %2 到 %3 之间的数值，所有参数都未写入：%4。</source>
        <translation>These parameters in &quot;%1&quot; are not numbers from %2 to %3, so no parameter was written: %4.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>寄存器 %1（%2）</source>
        <translation>register %1 (%2)</translation>
    </message>
    <message>
        <source>%1：已发送 %2 个参数后中止（%3）</source>
        <translation>%1: stopped after %2 parameters were sent (%3)</translation>
    </message>
    <message>
        <source>命令已停止</source>
        <translation>the command was stopped</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>the port is not open</translation>
    </message>
    <message>
        <source>%1：%2 个参数已写入寄存器 %3–%4</source>
        <translation>%1: %2 parameters written to registers %3–%4</translation>
    </message>
    <message>
        <source>%1：%2 个参数中 %3 个未被确认：%4</source>
        <translation>%1: %3 of %2 parameters were not confirmed: %4</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>已通知记录仪采用“%1”（线圈 %2）</source>
        <translation>The recorder was told to take up &quot;%1&quot; (coil %2)</translation>
    </message>
</context>
<context>
    <name>PortPanel</name>
    <message>
        <source>串口设置</source>
        <translation>Serial port settings</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Serial port number</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>关闭端口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>COM%1（%2）</source>
        <translation>COM%1 (%2)</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>COM%1（%2，%3）</source>
        <translation>COM%1 (%2, %3)</translation>
    </message>
    <message>
        <source>COM%1 = %2（%3）</source>
        <translation>COM%1 = %2 (%3)</translation>
    </message>
    <message>
        <source>波特率“%1”不是 %2 到 %3 之间的整数，端口设置未改变。</source>
        <translation>The baud rate &quot;%1&quot; is not a whole number from %2 to %3; the port settings were not changed.</translation>
    </message>
    <message>
        <source>端口 %1 已打开，%2,N,8,1</source>
        <translation>Port %1 open, %2,N,8,1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>端口 %1 未能打开</source>
        <translation>Port %1 could not be opened</translation>
    </message>
    <message>
        <source>端口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>设置未保存：无法写入 %1</source>
        <translation>Settings not saved: cannot write %1</translation>
    </message>
    <message>
        <source>无法写入 %1：%2
设置未保存，原有文件保持不变。</source>
        <translation>Cannot write %1: %2
The settings were not saved; the existing file is unchanged.</translation>
    </message>
    <message>
        <source>设置已保存到 comm.set，但端口 %1 未能打开</source>
        <translation>Settings saved to comm.set, but port %1 could not be opened</translation>
    </message>
    <message>
        <source>串口设备</source>
        <translation>Serial device</translation>
    </message>
    <message>
        <source>端口未打开，无需关闭。</source>
        <translation>The port is not open; there is nothing to close.</translation>
    </message>
    <message>
        <source>粗体的端口表示其设备现在存在。
拔插后 USB 适配器可能换名（ttyUSB0 变成 ttyUSB1），要让它总是同一个 COM 号，在 %1 中写一行，例如
COM4=/dev/serial/by-id/usb-FTDI_…（ls -l /dev/serial/by-id/ 列出现有的名称）
串口服务器或 Modbus TCP 网关写成网址，例如
COM7=rtu-over-tcp://192.168.1.50:4001 或 COM8=tcp://192.168.1.60:502</source>
        <translation>A port in bold has its device present now.
After replugging, a USB adapter may change its name (ttyUSB0 becomes ttyUSB1). To keep it on the same COM number, write a line in %1, for example
COM4=/dev/serial/by-id/usb-FTDI_… (ls -l /dev/serial/by-id/ lists the names present)
A device server or Modbus TCP gateway is written as a URL, for example
COM7=rtu-over-tcp://192.168.1.50:4001 or COM8=tcp://192.168.1.60:502</translation>
    </message>
    <message>
        <source>网络线路的波特率在串口服务器或网关上设置</source>
        <translation>The baud rate of a network line is set on the device server or gateway</translation>
    </message>
    <message>
        <source>端口 %1 已连接</source>
        <translation>Port %1 connected</translation>
    </message>
    <message>
        <source>COM%1 = %2（经由监视程序）</source>
        <translation>COM%1 = %2 (through the watcher)</translation>
    </message>
    <message>
        <source>端口 %1 经由监视程序使用（%2 波特），与它的巡检轮流</source>
        <translation>Port %1 is used through the watcher (%2 baud), taking turns with its polls</translation>
    </message>
</context>
<context>
    <name>QtDesktop</name>
    <message>
        <source>报警</source>
        <translation>Alarm</translation>
    </message>
</context>
<context>
    <name>RecordArchive</name>
    <message>
        <source>未能存档：%1</source>
        <translation>Not archived: %1</translation>
    </message>
    <message>
        <source>读到的 %1 条记录未能存入存档（%2）。
记录仍在接收框中，可以照常导出。</source>
        <translation>The %1 records read could not be stored in the archive (%2).
The records are still in the receive box and can be exported as usual.</translation>
    </message>
    <message>
        <source>已存档，新增 %1 条</source>
        <translation>Archived, %1 new</translation>
    </message>
    <message>
        <source>审计记录未能写入存档：%1</source>
        <translation>The audit entry could not be written to the archive: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>RecordChart</name>
    <message>
        <source>曲线图</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>图表未能保存到 %1：%2</source>
        <translation>The chart could not be saved to %1: %2</translation>
    </message>
    <message>
        <source>PDF 未能生成</source>
        <translation>the PDF could not be made</translation>
    </message>
    <message>
        <source>%1  %2</source>
        <translation>%1  %2</translation>
    </message>
    <message>
        <source>%1 至 %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>High limit</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Low limit</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>记录曲线</source>
        <translation>Record chart</translation>
    </message>
    <message>
        <source>时段：%1</source>
        <translation>Period: %1</translation>
    </message>
    <message>
        <source>制作于：%1</source>
        <translation>Made: %1</translation>
    </message>
    <message>
        <source>打印机未能开始打印</source>
        <translation>The printer could not start printing</translation>
    </message>
    <message>
        <source>打印未能完成</source>
        <translation>The print could not be finished</translation>
    </message>
</context>
<context>
    <name>RecordCountPanel</name>
    <message>
        <source>读条数</source>
        <translation>Read count</translation>
    </message>
    <message>
        <source>清指针</source>
        <translation>Clear pointer</translation>
    </message>
    <message>
        <source>清条数</source>
        <translation>Clear count</translation>
    </message>
    <message>
        <source>写指针</source>
        <translation>Write pointer</translation>
    </message>
    <message>
        <source>记录指针只能清零（“清指针”），不能写入其他值</source>
        <translation>The record pointer can only be cleared (&quot;Clear pointer&quot;), not set to another value</translation>
    </message>
    <message>
        <source>将记录仪的记录指针清零</source>
        <translation>Clear the recorder&apos;s record pointer</translation>
    </message>
    <message>
        <source>将记录仪的有效记录总数清零（记录将无法再读出）</source>
        <translation>Clear the recorder&apos;s count of valid records (the records can no longer be read)</translation>
    </message>
    <message>
        <source>读条数：设备 %1 有 %2 条记录</source>
        <translation>Read count: device %1 holds %2 records</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>读条数：设备 %1 %2，条数未更新</source>
        <translation>Read count: device %1 %2; count not updated</translation>
    </message>
    <message>
        <source>将设备 %1 的记录指针清零？</source>
        <translation>Clear the record pointer of device %1?</translation>
    </message>
    <message>
        <source>清指针：设备 %1 的记录指针已清零</source>
        <translation>Clear pointer: the record pointer of device %1 is cleared</translation>
    </message>
    <message>
        <source>清指针：%1，未确认清零</source>
        <translation>Clear pointer: %1; clearing not confirmed</translation>
    </message>
    <message>
        <source>将设备 %1 的有效记录总数清零？清零后其中的记录不能再读出。</source>
        <translation>Clear the count of valid records of device %1? Its records can no longer be read afterwards.</translation>
    </message>
    <message>
        <source>清条数：%1，条数未清零</source>
        <translation>Clear count: %1; count not cleared</translation>
    </message>
    <message>
        <source>清条数：设备 %1 的有效记录总数已清零</source>
        <translation>Clear count: the count of valid records of device %1 is cleared</translation>
    </message>
    <message>
        <source>清条数：条数已写 0，但写线圈 3 %1</source>
        <translation>Clear count: 0 written to the count, but writing coil 3: %1</translation>
    </message>
</context>
<context>
    <name>RecordReadPanel</name>
    <message>
        <source>单条</source>
        <translation>One record</translation>
    </message>
    <message>
        <source>读取所有记录</source>
        <translation>Read all records</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>应答等待设置…</source>
        <translation>Reply waits…</translation>
    </message>
    <message>
        <source>记录读取的应答等待时间、请求次数和迟到应答保护时间；线路慢或长时可放宽</source>
        <translation>Reply wait, requests and late-reply guard time of record reading; allow more on slow or long lines</translation>
    </message>
    <message>
        <source>读取“记录号”中的一条记录，然后记录号加 1</source>
        <translation>Read the record in &quot;Record no.&quot;, then add 1 to the record number</translation>
    </message>
    <message>
        <source>读取第 1 条到“条数”条记录</source>
        <translation>Read records 1 to &quot;Count&quot;</translation>
    </message>
    <message>
        <source>立即停止读取记录</source>
        <translation>Stop reading records at once</translation>
    </message>
    <message>
        <source>第 %1 条记录</source>
        <translation>Record %1</translation>
    </message>
    <message>
        <source>单条：第 %1 条不是记录（存储区为空或数据无效）</source>
        <translation>One record: no. %1 is not a record (empty memory or invalid data)</translation>
    </message>
    <message>
        <source>单条：已停止</source>
        <translation>One record: stopped</translation>
    </message>
    <message>
        <source>单条：第 %1 条记录未能读取（%2 次请求均无可信应答）</source>
        <translation>One record: record %1 could not be read (no trustworthy reply to %2 requests)</translation>
    </message>
    <message>
        <source>单条：已读取第 %1 条记录</source>
        <translation>One record: record %1 read</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>“条数”中的 %1 条记录</source>
        <translation>The %1 records in &quot;Count&quot;</translation>
    </message>
    <message>
        <source>读取所有记录：端口未打开，命令未发送</source>
        <translation>Read all records: port not open, command not sent</translation>
    </message>
    <message>
        <source>%1超出了记录仪的寄存器范围（每条 %2 个寄存器时最多 %3 条），命令未发送。</source>
        <translation>%1: beyond the recorder&apos;s register range (at most %3 records with %2 registers each). Command not sent.</translation>
    </message>
    <message>
        <source>记录应答窗口 %1 毫秒，每条最多 %2 次失败请求，迟到应答保护 %3 毫秒，串口适配器回显：%4</source>
        <translation>record reply window %1 ms, at most %2 failed requests per record, late-reply guard %3 ms, serial adapter echo: %4</translation>
    </message>
    <message>
        <source>无法保存 %1：%2
新的设置只在本次运行中有效。</source>
        <translation>Cannot save %1: %2
The new settings hold only until the program ends.</translation>
    </message>
    <message>
        <source>应答等待设置：%1（未保存）</source>
        <translation>Reply waits: %1 (not saved)</translation>
    </message>
    <message>
        <source>应答等待设置：%1，已保存到 replywin.set</source>
        <translation>Reply waits: %1, saved to replywin.set</translation>
    </message>
    <message>
        <source>读取所有记录：记录仪不支持成块读取（%1），改为逐条读取</source>
        <translation>Read all records: the recorder does not support block reads (%1); reading record by record</translation>
    </message>
    <message>
        <source>%1：未读到记录仪的传感器总数（寄存器 136），未读取记录</source>
        <translation>%1: the recorder&apos;s sensor count (register 136) could not be read; no records were read</translation>
    </message>
    <message>
        <source>%1，记录按它分条。
改用 %2 并读取记录吗？</source>
        <translation>%1, and its records are laid out by it.
Use %2 and read the records?</translation>
    </message>
    <message>
        <source>%1：%2，未读取记录</source>
        <translation>%1: %2; no records were read</translation>
    </message>
    <message>
        <source>%1：已停止，未读取记录</source>
        <translation>%1: stopped, no records read</translation>
    </message>
</context>
<context>
    <name>RecorderNamePanel</name>
    <message>
        <source>；传感器名称与限值未能改到新名称下（%1）</source>
        <translation>; the sensor names and limits could not be moved to the new name (%1)</translation>
    </message>
    <message>
        <source>记录仪名称</source>
        <translation>Recorder names</translation>
    </message>
    <message>
        <source>命名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>恢复默认名称</source>
        <translation>Default name</translation>
    </message>
    <message>
        <source>此端口和地址上的记录仪以后读到的记录都存在这个名称下</source>
        <translation>Records read from now on from the recorder at this port and address are stored under this name</translation>
    </message>
    <message>
        <source>端口 COM</source>
        <translation>Port COM</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>请在“名称”中填写记录仪的名称。</source>
        <translation>Please enter the recorder&apos;s name in &quot;Name&quot;.</translation>
    </message>
    <message>
        <source>不能这样命名：%1。</source>
        <translation>Cannot use this name: %1.</translation>
    </message>
    <message>
        <source>记录仪名称：COM%1 地址 %2 已叫“%3”</source>
        <translation>Recorder names: COM%1 address %2 is already called &quot;%3&quot;</translation>
    </message>
    <message>
        <source>名称未改：%1</source>
        <translation>Name not changed: %1</translation>
    </message>
    <message>
        <source>存档中有“%1”的记录。把它们改归“%2”吗？</source>
        <translation>The archive holds records of &quot;%1&quot;. Move them to &quot;%2&quot;?</translation>
    </message>
    <message>
        <source>，存档中 %1 条记录已改归新名称</source>
        <translation>; %1 archived records moved to the new name</translation>
    </message>
    <message>
        <source>，存档中的记录未能改归新名称（%1）</source>
        <translation>; the archived records could not be moved to the new name (%1)</translation>
    </message>
    <message>
        <source>记录仪名称：COM%1 地址 %2 现在叫“%3”</source>
        <translation>Recorder names: COM%1 address %2 is now called &quot;%3&quot;</translation>
    </message>
    <message>
        <source>命名的记录仪：COM%1 地址 %2，现名“%3”</source>
        <translation>Names the recorder at COM%1, address %2, now “%3”</translation>
    </message>
    <message>
        <source>命名的记录仪：端口或地址无效</source>
        <translation>Names: the port or the address is not valid</translation>
    </message>
    <message>
        <source>，审计记录没有写进存档（%1）</source>
        <translation>, the audit entry was not written to the archive (%1)</translation>
    </message>
    <message>
        <source>，%1</source>
        <translation>, %1</translation>
    </message>
</context>
<context>
    <name>RecordsPanel</name>
    <message>
        <source>系统正在转换处理...</source>
        <translation>Converting...</translation>
    </message>
    <message>
        <source>已处理的记录号</source>
        <translation>Records processed</translation>
    </message>
    <message>
        <source>已处理</source>
        <translation>Processed</translation>
    </message>
    <message>
        <source>条</source>
        <translation>records</translation>
    </message>
    <message>
        <source>记录读取进度</source>
        <translation>Record reading progress</translation>
    </message>
    <message>
        <source>剩余约 00 小时 00 分</source>
        <translation>About 00 h 00 min left</translation>
    </message>
    <message>
        <source>剩余时间</source>
        <translation>Time left</translation>
    </message>
    <message>
        <source>有效记录总数（及指针）</source>
        <translation>Valid records (and pointer)</translation>
    </message>
    <message>
        <source>条数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>指针</source>
        <translation>Pointer</translation>
    </message>
    <message>
        <source>存储占用</source>
        <translation>Memory use</translation>
    </message>
    <message>
        <source>按记录按条读取（建议数据量较小及记录未中断过的情况下使用）</source>
        <translation>Read by record (for small data and unbroken recording)</translation>
    </message>
    <message>
        <source>记录号</source>
        <translation>Record no.</translation>
    </message>
    <message>
        <source>传感器总数</source>
        <translation>Sensor count</translation>
    </message>
    <message>
        <source>解析后的记录</source>
        <translation>Decoded records</translation>
    </message>
    <message>
        <source>接收到的记录数据（十六进制）</source>
        <translation>Received record data (hex)</translation>
    </message>
    <message>
        <source>读取记录时，请将设备设置为暂停记录状态</source>
        <translation>Pause recording while reading records</translation>
    </message>
    <message>
        <source>清空数据区</source>
        <translation>Clear data</translation>
    </message>
    <message>
        <source>存储占用：条数或传感器总数无效</source>
        <translation>Memory use: count or sensor count not valid</translation>
    </message>
    <message>
        <source>存储占用：%1%2</source>
        <translation>Memory use: %1%2</translation>
    </message>
    <message>
        <source>，已满，请读取记录后清条数</source>
        <translation>, full: read the records, then clear the count</translation>
    </message>
    <message>
        <source>，将满，请读取记录后清条数</source>
        <translation>, nearly full: read the records, then clear the count</translation>
    </message>
    <message>
        <source>正在读取记录</source>
        <translation>Reading records</translation>
    </message>
    <message>
        <source>共%1条</source>
        <translation>of %1</translation>
    </message>
    <message>
        <source>当前处理</source>
        <translation>Current step</translation>
    </message>
    <message>
        <source>本次记录条数</source>
        <translation>Records this time</translation>
    </message>
    <message>
        <source>正在处理</source>
        <translation>Processing</translation>
    </message>
</context>
<context>
    <name>RegisterCommands</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1：写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
</context>
<context>
    <name>ReplyWindowDialog</name>
    <message>
        <source>应答等待设置</source>
        <translation>Reply waits</translation>
    </message>
    <message>
        <source>默认 %1</source>
        <translation>default %1</translation>
    </message>
    <message>
        <source>记录应答窗口(ms)</source>
        <translation>Record reply window (ms)</translation>
    </message>
    <message>
        <source>每条记录失败请求次数</source>
        <translation>Failed requests per record</translation>
    </message>
    <message>
        <source>迟到应答保护时间(ms)</source>
        <translation>Late-reply guard time (ms)</translation>
    </message>
    <message>
        <source>串口适配器回显</source>
        <translation>Serial adapter echo</translation>
    </message>
    <message>
        <source>成块读取（一次请求读取多条记录）</source>
        <translation>Block reads (several records per request)</translation>
    </message>
    <message>
        <source>默认 开</source>
        <translation>default on</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>网络线路连接超时(ms)</source>
        <translation>Network line connect timeout (ms)</translation>
    </message>
    <message>
        <source>线路较慢（低波特率）或较长时，记录仪的应答来得晚，可能需要加大这些数值。一次读取失败后，下一次请求前线路须保持安静达到保护时间；失败后读到的记录要再读一次确认，确认读取不计入失败次数。有的RS485适配器会把发出的请求回送给电脑，自动识别时程序从读取应答中发现并去除回显。成块读取时一次请求最多读取 125 个寄存器中能容下的整条记录；记录仪不支持时自动改为逐条读取。网络线路（串口服务器、Modbus TCP 网关）断开后，下一次请求前重新连接，最多等待连接超时。</source>
        <translation>On a slow (low baud rate) or long line the recorder&apos;s replies come late, and these values may need to be larger. After a failed read the line must stay quiet for the guard time before the next request; a record read after a failure is read once more to confirm it, and the confirming read does not count as a failure. Some RS485 adapters send the requests back to the PC; with automatic detection the program finds the echo in read replies and removes it. A block read asks for as many whole records as fit in 125 registers; if the recorder does not support it, records are read one by one. A network line (device server, Modbus TCP gateway) that drops is connected again before the next request, waiting at most the connect timeout.</translation>
    </message>
</context>
<context>
    <name>ReportDialog</name>
    <message>
        <source>报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>平均动力学温度（MKT）的活化能除以气体常数，USP &lt;1160&gt; 的默认值为 10000 K（ΔH = 83.144 kJ/mol）</source>
        <translation>The activation energy of the mean kinetic temperature (MKT) divided by the gas constant; USP &lt;1160&gt; takes 10000 K (ΔH = 83.144 kJ/mol)</translation>
    </message>
    <message>
        <source>制作报告…</source>
        <translation>Make the report…</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>MKT 的 ΔH/R</source>
        <translation>ΔH/R of the MKT</translation>
    </message>
    <message>
        <source>报告含各传感器的统计、记录完整性、曲线和这段时间的报警，存为 PDF。</source>
        <translation>The report holds each sensor&apos;s statistics, the completeness of the records, the chart and the alarms of the period, as a PDF.</translation>
    </message>
</context>
<context>
    <name>ReportPages</name>
    <message>
        <source>%1 至 %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>第 %1 页，共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>%1 小时 %2 分</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>not known</translation>
    </message>
    <message>
        <source>%1 小时</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>记录报告：%1</source>
        <translation>Record report: %1</translation>
    </message>
    <message>
        <source>记录仪：%1    地址：%2    端口：%3</source>
        <translation>Recorder: %1    Address: %2    Port: %3</translation>
    </message>
    <message>
        <source>记录间隔：%1</source>
        <translation>Recording interval: %1</translation>
    </message>
    <message>
        <source>制作于 %1，制作人 %2，程序版本 %3</source>
        <translation>Made %1 by %2, program version %3</translation>
    </message>
    <message>
        <source>平均动力学温度（MKT）按 USP &lt;1160&gt; 计算，ΔH/R = %1 K，只计温度传感器（单位 ℃）；限值上的值算作限值内；连续超限的读数算作一次超限。</source>
        <translation>Mean kinetic temperature (MKT) per USP &lt;1160&gt; with ΔH/R = %1 K, for temperature sensors (unit ℃) only; a value on a limit is inside; consecutive readings beyond a limit are one excursion.</translation>
    </message>
    <message>
        <source>传感器统计</source>
        <translation>Sensors</translation>
    </message>
    <message>
        <source>传感器</source>
        <translation>Sensor</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>读数</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>MKT</source>
        <translation>MKT</translation>
    </message>
    <message>
        <source>低于下限</source>
        <translation>Below low</translation>
    </message>
    <message>
        <source>高于上限</source>
        <translation>Above high</translation>
    </message>
    <message>
        <source>超限次数</source>
        <translation>Excursions</translation>
    </message>
    <message>
        <source>首次超限</source>
        <translation>First excursion</translation>
    </message>
    <message>
        <source>该时段没有记录。</source>
        <translation>The period holds no records.</translation>
    </message>
    <message>
        <source>记录完整性</source>
        <translation>Completeness</translation>
    </message>
    <message>
        <source>按记录间隔应有 %1 条记录，实有 %2 条（%3%）。</source>
        <translation>The interval gives %1 records; %2 are there (%3%).</translation>
    </message>
    <message>
        <source>记录间隔不明，无法计算应有的条数；实有 %1 条记录。</source>
        <translation>The interval is not known, so the records due cannot be counted; %1 records are there.</translation>
    </message>
    <message>
        <source>%1 条记录的时间不是有效日期，未计入。</source>
        <translation>%1 records whose time is no valid date are left out.</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>时长</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>另有 %1 处间断未列出。</source>
        <translation>%1 more gaps are not listed.</translation>
    </message>
    <message>
        <source>报警（监视程序）</source>
        <translation>Alarms (watcher)</translation>
    </message>
    <message>
        <source>未解除</source>
        <translation>Not cleared</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>报警时间</source>
        <translation>Raised</translation>
    </message>
    <message>
        <source>确认（人、时间、说明）</source>
        <translation>Acknowledged (by, time, note)</translation>
    </message>
    <message>
        <source>解除时间</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>曲线：%1</source>
        <translation>Chart: %1</translation>
    </message>
    <message>
        <source>PDF 未能生成</source>
        <translation>The PDF could not be made</translation>
    </message>
    <message>
        <source>报告未能写入 %1：%2</source>
        <translation>The report could not be written to %1: %2</translation>
    </message>
    <message>
        <source>通知（每个步骤：方式、对象、结果）</source>
        <translation>Notifications (each step: by what, to whom, outcome)</translation>
    </message>
    <message>
        <source>超限期间的读数（监视程序，超限时至少每两分钟一次）</source>
        <translation>Readings while out of range (watcher, at least every two minutes while out of range)</translation>
    </message>
    <message>
        <source>超上限 %1</source>
        <translation>above high limit %1</translation>
    </message>
    <message>
        <source>低于下限 %1</source>
        <translation>below low limit %1</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>标记</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>另有 %1 条超限读数未列出。</source>
        <translation>%1 more readings out of range are not listed.</translation>
    </message>
    <message>
        <source>检查点 %1 %2</source>
        <translation>Checkpoint %1 %2</translation>
    </message>
    <message>
        <source>尚无检查点覆盖此期间</source>
        <translation>No checkpoint covers this period yet</translation>
    </message>
    <message>
        <source>%1 天</source>
        <translation>%1 d</translation>
    </message>
    <message>
        <source>时段：%1（%2）</source>
        <translation>Period: %1 (%2)</translation>
    </message>
    <message>
        <source>该时段没有记录（0%）。</source>
        <translation>No records in the period (0%).</translation>
    </message>
    <message>
        <source>整个时段是一处间断。</source>
        <translation>The whole period is one gap.</translation>
    </message>
    <message>
        <source>本时段无报警</source>
        <translation>No alarms in this period</translation>
    </message>
    <message>
        <source>没有间断：相邻两条记录之间都不缺记录。</source>
        <translation>No gaps: no record is missing between any two neighbouring records.</translation>
    </message>
    <message>
        <source>间断（相邻两条记录之间缺少记录）：%1 处。</source>
        <translation>Gaps (records missing between two neighbouring records): %1.</translation>
    </message>
</context>
<context>
    <name>SensorCountRead</name>
    <message>
        <source>读传感器总数</source>
        <translation>Read sensor count</translation>
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
    <message>
        <source>%1#传感器</source>
        <translation>Sensor %1</translation>
    </message>
    <message>
        <source>（审计记录没有写进存档：%1）</source>
        <translation> (the audit entry was not written to the archive: %1)</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
</context>
<context>
    <name>SettingsFilePanel</name>
    <message>
        <source>保存记录仪设置</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source>载入记录仪设置</source>
        <translation>Load settings</translation>
    </message>
    <message>
        <source>寄存器 %1（%2）</source>
        <translation>register %1 (%2)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>读出当前设备地址的记录仪的轮循参数表和记录时间间隔，保存到文件</source>
        <translation>Reads the polling table and recording interval of the recorder at the current device address and saves them to a file</translation>
    </message>
    <message>
        <source>把文件中的设置写入当前设备地址的记录仪：先列出不同之处，确认后写入、更新到设备并读回核对</source>
        <translation>Writes the file&apos;s settings to the recorder at the current device address: lists the differences first, then, once confirmed, writes them, applies them on the device and reads them back to check</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>立即停止保存或载入</source>
        <translation>Stop saving or loading now</translation>
    </message>
    <message>
        <source>设置文件操作状态</source>
        <translation>Settings file progress</translation>
    </message>
    <message>
        <source>读设置</source>
        <translation>Read settings</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>the port is not open</translation>
    </message>
    <message>
        <source>读寄存器 %1–%2 时%3</source>
        <translation>reading registers %1–%2: %3</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>the reply was incomplete</translation>
    </message>
    <message>
        <source>%1：正在读取设备 %2 的设置……</source>
        <translation>%1: reading the settings of device %2…</translation>
    </message>
    <message>
        <source>%1：%2，未保存</source>
        <translation>%1: %2, not saved</translation>
    </message>
    <message>
        <source>%1：已取消，未保存</source>
        <translation>%1: cancelled, not saved</translation>
    </message>
    <message>
        <source>无法写入 %1：%2
设置未保存，原有文件保持不变。</source>
        <translation>Cannot write %1: %2
The settings were not saved; the existing file is unchanged.</translation>
    </message>
    <message>
        <source>%1：未能写入文件，未保存</source>
        <translation>%1: the file could not be written, not saved</translation>
    </message>
    <message>
        <source>%1：设备 %2 的 %3 个参数已保存到 %4</source>
        <translation>%1: %3 parameters of device %2 saved to %4</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>the file does not exist</translation>
    </message>
    <message>
        <source>%1 不能载入：%2
没有写入任何参数。</source>
        <translation>%1 cannot be loaded: %2
No parameter was written.</translation>
    </message>
    <message>
        <source>%1：文件不能载入，没有写入任何参数</source>
        <translation>%1: the file cannot be loaded; no parameter was written</translation>
    </message>
    <message>
        <source>%1：正在读取设备 %2 现在的设置……</source>
        <translation>%1: reading the current settings of device %2…</translation>
    </message>
    <message>
        <source>，没有写入任何参数</source>
        <translation>; no parameter was written</translation>
    </message>
    <message>
        <source>设备 %1 的设置与文件相同，无需写入</source>
        <translation>Device %1 already has the file&apos;s settings; nothing to write</translation>
    </message>
    <message>
        <source>设备 %1 有 %2 个参数与文件 %3 不同（现值→文件值）：
%4

写入这些参数并更新到设备？</source>
        <translation>%2 parameters of device %1 differ from the file %3 (now→file):
%4

Write these parameters and apply them on the device?</translation>
    </message>
    <message>
        <source>已取消，没有写入任何参数</source>
        <translation>Cancelled; no parameter was written</translation>
    </message>
    <message>
        <source>%1：正在写入 %2/%3</source>
        <translation>%1: writing %2/%3</translation>
    </message>
    <message>
        <source>%1，已写入 %2 个参数，未更新到设备</source>
        <translation>%1 after %2 parameters were written; not applied on the device</translation>
    </message>
    <message>
        <source>端口未打开或已断开</source>
        <translation>the port is not open or was disconnected</translation>
    </message>
    <message>
        <source>%1写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
    <message>
        <source>%1，参数已写入，但未全部更新到设备</source>
        <translation>%1: the parameters were written, but not all were applied on the device</translation>
    </message>
    <message>
        <source>“%1”更新到设备（线圈 %2）未被确认（%3）</source>
        <translation>applying &quot;%1&quot; on the device (coil %2) was not confirmed (%3)</translation>
    </message>
    <message>
        <source>%1 个参数已写入并更新到设备，但读回时%2，无法核对</source>
        <translation>%1 parameters were written and applied, but on reading back: %2; they could not be checked</translation>
    </message>
    <message>
        <source>%1：应为 %2，读回 %3</source>
        <translation>%1: should be %2, read back %3</translation>
    </message>
    <message>
        <source>%1 个参数已写入设备 %2 并更新，读回与文件一致</source>
        <translation>%1 parameters written to device %2 and applied; the read-back matches the file</translation>
    </message>
    <message>
        <source>已向设备 %1 发送 %2 个参数，%3 个读回与文件不同，%4 个写入未被确认</source>
        <translation>%2 parameters sent to device %1; %3 read back differently from the file, %4 writes were not confirmed</translation>
    </message>
    <message>
        <source>%1：
%2</source>
        <translation>%1:
%2</translation>
    </message>
    <message>
        <source>设置_%1_%2</source>
        <translation>settings_%1_%2</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>temperature</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>humidity</translation>
    </message>
    <message>
        <source>气体</source>
        <translation>gas</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>voltage</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>current</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>0（停止记录）</source>
        <translation>0 (recording stopped)</translation>
    </message>
    <message>
        <source>%1（每 %2 秒一条）</source>
        <translation>%1 (a record every %2 s)</translation>
    </message>
</context>
<context>
    <name>StatusPanel</name>
    <message>
        <source>运行状态栏</source>
        <translation>Run status</translation>
    </message>
    <message>
        <source>通讯状态灯：绿色，已到应答时间</source>
        <translation>Communication lamp: green, the reply time has come</translation>
    </message>
    <message>
        <source>通讯状态灯：黄色，正在发送请求</source>
        <translation>Communication lamp: yellow, sending a request</translation>
    </message>
    <message>
        <source>通讯状态灯：红色，端口未打开</source>
        <translation>Communication lamp: red, the port is not open</translation>
    </message>
    <message>
        <source>数据采集通讯状态指示</source>
        <translation>Acquisition communication state</translation>
    </message>
    <message>
        <source>收到应答次数</source>
        <translation>Replies received</translation>
    </message>
    <message>
        <source>多模块循环次数</source>
        <translation>Multi-module cycles</translation>
    </message>
    <message>
        <source>发送请求次数</source>
        <translation>Requests sent</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Passes</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>请求和应答次数从 0 重新计数</source>
        <translation>Count requests and replies again from 0</translation>
    </message>
</context>
<context>
    <name>StorageStatePanel</name>
    <message>
        <source>开始监测</source>
        <translation>Read storage state</translation>
    </message>
    <message>
        <source>启动次数</source>
        <translation>Starts</translation>
    </message>
    <message>
        <source>已记录分钟数</source>
        <translation>Minutes recorded</translation>
    </message>
    <message>
        <source>存储状态监测</source>
        <translation>Storage state</translation>
    </message>
</context>
<context>
    <name>ToolsPage</name>
    <message>
        <source>界面语言（Language）</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>记录仪设置文件</source>
        <translation>Recorder settings file</translation>
    </message>
    <message>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <source>存档审计</source>
        <translation>Archive audit</translation>
    </message>
</context>
<context>
    <name>TrafficPanel</name>
    <message>
        <source>命令状态</source>
        <translation>Command state</translation>
    </message>
    <message>
        <source>发送命令（十六进制）</source>
        <translation>Command sent (hex)</translation>
    </message>
    <message>
        <source>响应命令（十六进制）</source>
        <translation>Reply received (hex)</translation>
    </message>
    <message>
        <source>发送命令</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>响应命令</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Bus monitor</translation>
    </message>
    <message>
        <source>显示或隐藏总线上收发的每一帧</source>
        <translation>Show or hide every frame sent and received on the bus</translation>
    </message>
</context>
<context>
    <name>TrafficPresenter</name>
    <message>
        <source>串口适配器回显了发出的请求，已自动去除回显</source>
        <translation>The serial adapter echoes the requests sent; the echo is removed automatically</translation>
    </message>
    <message>
        <source>%1：端口未打开，命令未发送</source>
        <translation>%1: port not open, command not sent</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>alarm</name>
    <message>
        <source>高于上限</source>
        <translation>Above high</translation>
    </message>
    <message>
        <source>低于下限</source>
        <translation>Below low</translation>
    </message>
    <message>
        <source>存档被改动</source>
        <translation>Archive changed</translation>
    </message>
    <message>
        <source>备份失败</source>
        <translation>Backup failed</translation>
    </message>
    <message>
        <source>存档无法写入</source>
        <translation>Archive cannot be written</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>通知送不到</source>
        <translation>Notification undelivered</translation>
    </message>
    <message>
        <source>停电</source>
        <translation>Power failure</translation>
    </message>
    <message>
        <source>声光报警器失灵</source>
        <translation>Siren failed</translation>
    </message>
    <message>
        <source>值守程序曾停止</source>
        <translation>Watcher was down</translation>
    </message>
</context>
<context>
    <name>alarms</name>
    <message>
        <source>报警设置文件 %1 有 %2 行无法使用，已忽略（%3）</source>
        <translation>Alarm settings file %1 has %2 unusable lines, ignored (%3)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
    <message>
        <source>报警设置文件 %1 %2，未读取：报警按默认设置</source>
        <translation>Alarm settings file %1 %2 and was not read: alarms use the default settings</translation>
    </message>
    <message>
        <source>没有编号为 %1 的未解除报警：它不存在或已经解除</source>
        <translation>There is no active alarm number %1: it does not exist or has already cleared</translation>
    </message>
    <message>
        <source>报警 %1 已经确认过，无需再次确认</source>
        <translation>Alarm %1 has already been acknowledged</translation>
    </message>
    <message>
        <source>没有给出确认人</source>
        <translation>No name given for the acknowledgement</translation>
    </message>
</context>
<context>
    <name>archive</name>
    <message>
        <source>密钥环里没有这个存档的口令</source>
        <translation>the keyring holds no password for this archive</translation>
    </message>
    <message>
        <source>密钥环拒绝了访问</source>
        <translation>the keyring refused access</translation>
    </message>
    <message>
        <source>没有可用的密钥环</source>
        <translation>no keyring available</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>密钥环 %1 秒内没有应答</source>
        <translation>the keyring did not answer within %1 s</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>存档数据库 %1 是只读的（文件或它所在的文件夹不可写），记录存不进去</source>
        <translation>The archive database %1 is read-only (the file or its folder cannot be written): records cannot be stored</translation>
    </message>
    <message>
        <source>%1 不是存档数据库（不是 SQLite 数据库文件），程序没有改动它；请把它移开或改名，程序会新建存档</source>
        <translation>%1 is not an archive database (not an SQLite database file); it was left as it is. Move or rename it and the program creates a new archive</translation>
    </message>
    <message>
        <source>存档数据库 %1 已损坏；请从备份恢复，或把它移开，程序会新建存档</source>
        <translation>The archive database %1 is damaged; restore it from a backup, or move it away and the program creates a new archive</translation>
    </message>
    <message>
        <source>磁盘已满，存档数据库 %1 写不进去；请腾出空间</source>
        <translation>The disk is full: the archive database %1 cannot be written; free some space</translation>
    </message>
    <message>
        <source>存档数据库 %1 被另一个程序占用，等了 %2 秒仍未放开</source>
        <translation>The archive database %1 is held by another program and was not released within %2 seconds</translation>
    </message>
    <message>
        <source>存档数据库拒绝了“%1”</source>
        <translation>The archive database refused &quot;%1&quot;</translation>
    </message>
    <message>
        <source>没有 %1 数据库驱动（Debian：%2）</source>
        <translation>No %1 database driver (Debian: %2)</translation>
    </message>
    <message>
        <source>没有给出存档文件</source>
        <translation>No archive file given</translation>
    </message>
    <message>
        <source>打不开存档数据库</source>
        <translation>Cannot open the archive database</translation>
    </message>
    <message>
        <source>存档文件不能用预写日志</source>
        <translation>The archive file cannot use write-ahead logging</translation>
    </message>
    <message>
        <source>存档数据库 %1 正被另一个程序写入，等它写完……</source>
        <translation>Another program is writing the archive database %1; waiting for it to finish…</translation>
    </message>
    <message>
        <source>存档数据库不能开始事务</source>
        <translation>The archive database cannot start a transaction</translation>
    </message>
    <message>
        <source>读不出存档的版本</source>
        <translation>Cannot read the archive&apos;s version</translation>
    </message>
    <message>
        <source>存档数据库 %1 是较新版本的程序写的（版本 %2），本程序只认到版本 %3；请换用新版本的程序</source>
        <translation>The archive database %1 was written by a newer version of the program (version %2); this program reads up to version %3. Use the newer version</translation>
    </message>
    <message>
        <source>存档的表没有建成</source>
        <translation>The archive&apos;s tables could not be made</translation>
    </message>
    <message>
        <source>存档没有打开</source>
        <translation>The archive is not open</translation>
    </message>
    <message>
        <source>没有记录仪的名字，记录没有存档</source>
        <translation>No recorder name: the records were not archived</translation>
    </message>
    <message>
        <source>第 %1 条不是记录，这一批都没有存档</source>
        <translation>Item %1 is not a record: none of this batch was archived</translation>
    </message>
    <message>
        <source>这一批记录没有存进存档</source>
        <translation>This batch of records was not archived</translation>
    </message>
    <message>
        <source>读不出存档</source>
        <translation>Cannot read the archive</translation>
    </message>
    <message>
        <source>记录没有改到新名称下</source>
        <translation>The records were not moved to the new name</translation>
    </message>
    <message>
        <source>读数没有存进存档</source>
        <translation>The readings were not stored in the archive</translation>
    </message>
    <message>
        <source>读不出存档的报警</source>
        <translation>The archive&apos;s alarms cannot be read</translation>
    </message>
    <message>
        <source>报警没有存进存档</source>
        <translation>The alarm was not stored in the archive</translation>
    </message>
    <message>
        <source>备份打不开</source>
        <translation>The backup cannot be opened</translation>
    </message>
    <message>
        <source>备份的完整性检查没有完成</source>
        <translation>The backup&apos;s integrity check did not finish</translation>
    </message>
    <message>
        <source>备份的完整性检查不通过：%1</source>
        <translation>The backup failed its integrity check: %1</translation>
    </message>
    <message>
        <source>备份的哈希链断了</source>
        <translation>The backup&apos;s hash chain is broken</translation>
    </message>
    <message>
        <source>pg_dump 没有启动（%1；Debian：postgresql-client）</source>
        <translation>pg_dump did not start (%1; Debian: postgresql-client)</translation>
    </message>
    <message>
        <source>pg_dump 没有结束</source>
        <translation>pg_dump did not finish</translation>
    </message>
    <message>
        <source>pg_dump 失败：%1</source>
        <translation>pg_dump failed: %1</translation>
    </message>
    <message>
        <source>pg_restore 读不出备份：%1</source>
        <translation>pg_restore cannot read the backup: %1</translation>
    </message>
    <message>
        <source>备份里没有 %1 表的数据</source>
        <translation>The backup holds no data of the %1 table</translation>
    </message>
    <message>
        <source>存档没有复制</source>
        <translation>The archive was not copied</translation>
    </message>
    <message>
        <source>存档的哈希链断了</source>
        <translation>The archive&apos;s hash chain is broken</translation>
    </message>
    <message>
        <source>archive.set 没有给出 backup-dir=</source>
        <translation>archive.set gives no backup-dir=</translation>
    </message>
    <message>
        <source>失败：</source>
        <translation>failed: </translation>
    </message>
    <message>
        <source>存档没有升级</source>
        <translation>The archive was not upgraded</translation>
    </message>
    <message>
        <source>存档没有升级：%1 的一行找不到了</source>
        <translation>The archive was not upgraded: a row of %1 could not be found</translation>
    </message>
    <message>
        <source>审计记录没有写进存档</source>
        <translation>The audit entry was not written to the archive</translation>
    </message>
    <message>
        <source>读不出存档的序号</source>
        <translation>Cannot read the archive&apos;s sequence number</translation>
    </message>
    <message>
        <source>读不出存档的链尾</source>
        <translation>Cannot read the end of the archive&apos;s chain</translation>
    </message>
    <message>
        <source>存档数据库拒绝了一行“%1”</source>
        <translation>The archive database refused a row of “%1”</translation>
    </message>
    <message>
        <source>这条链不是本程序写入的（链尾没有记载）</source>
        <translation>This chain was not written by this program (no record of where it ends)</translation>
    </message>
    <message>
        <source>链尾应是 seq=%1（共 %2 行），现在是 seq=%3（共 %4 行）：链尾的行被删除或添加了</source>
        <translation>The chain should end at seq=%1 (%2 rows) but ends at seq=%3 (%4 rows): rows at its end were removed or added</translation>
    </message>
    <message>
        <source>这一行没有哈希：不是本程序写入的</source>
        <translation>This row has no hash: this program did not write it</translation>
    </message>
    <message>
        <source>内容与哈希不符：这一行被改过，或它前面的行被删除、插入或调换了</source>
        <translation>The row does not match its hash: it was changed, or a row before it was removed, inserted or moved</translation>
    </message>
    <message>
        <source>这条链的 %1 行全部不在了</source>
        <translation>All %1 rows of this chain are gone</translation>
    </message>
    <message>
        <source>触发器 %1 不在了：这张表不再拒绝修改和删除</source>
        <translation>Trigger %1 is missing: this table no longer refuses changes and deletions</translation>
    </message>
    <message>
        <source>pg_restore 没有启动（%1；Debian：postgresql-client）</source>
        <translation>pg_restore did not start (%1; Debian: postgresql-client)</translation>
    </message>
    <message>
        <source>pg_restore 没有结束</source>
        <translation>pg_restore did not finish</translation>
    </message>
    <message>
        <source>pg_restore 恢复不了备份：%1</source>
        <translation>pg_restore could not restore the backup: %1</translation>
    </message>
    <message>
        <source>（没有建库权限：检查了备份目录和在线存档的链）</source>
        <translation> (no permission to create databases: checked the backup&apos;s table of contents and the live archive&apos;s chains)</translation>
    </message>
    <message>
        <source>建不了检查备份用的临时数据库</source>
        <translation>Could not create the scratch database to check the backup</translation>
    </message>
    <message>
        <source>（临时数据库 %1 没有删掉：%2）</source>
        <translation> (the scratch database %1 was not dropped: %2)</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>baud rate</translation>
    </message>
    <message>
        <source>时钟</source>
        <translation>clock</translation>
    </message>
    <message>
        <source>记录条数</source>
        <translation>record count</translation>
    </message>
    <message>
        <source>记录指针</source>
        <translation>record pointer</translation>
    </message>
    <message>
        <source>清除记录</source>
        <translation>clear the records</translation>
    </message>
    <message>
        <source>设置时钟</source>
        <translation>set the clock</translation>
    </message>
    <message>
        <source>线圈 %1</source>
        <translation>coil %1</translation>
    </message>
    <message>
        <source>开</source>
        <translation>on</translation>
    </message>
    <message>
        <source>关</source>
        <translation>off</translation>
    </message>
    <message>
        <source>寄存器 %1</source>
        <translation>register %1</translation>
    </message>
    <message>
        <source>寄存器 %1…%2</source>
        <translation>registers %1…%2</translation>
    </message>
    <message>
        <source>（记录仪拒绝：%1）</source>
        <translation> (refused by the recorder: %1)</translation>
    </message>
    <message>
        <source>（未确认：%1）</source>
        <translation> (not confirmed: %1)</translation>
    </message>
    <message>
        <source>通知没有存进存档</source>
        <translation>The notification was not kept in the archive</translation>
    </message>
    <message>
        <source>读不出存档的通知</source>
        <translation>The archive&apos;s notifications cannot be read</translation>
    </message>
    <message>
        <source>读不出存档的读数</source>
        <translation>The archive&apos;s readings cannot be read</translation>
    </message>
    <message>
        <source>读不出%1的标识</source>
        <translation>Cannot read the identity of %1</translation>
    </message>
    <message>
        <source>读不出%1的链尾</source>
        <translation>Cannot read the chain tips of %1</translation>
    </message>
    <message>
        <source>检查点 %1（%2）</source>
        <translation>Checkpoint %1 (%2)</translation>
    </message>
    <message>
        <source>%1的签名不对：检查点被改过</source>
        <translation>%1 has a bad signature: the checkpoint was changed</translation>
    </message>
    <message>
        <source>%1不是用本程序的签名钥匙签的</source>
        <translation>%1 was not signed with this program&apos;s signing key</translation>
    </message>
    <message>
        <source>%1属于另一个存档（%2），这个存档是 %3：存档被换掉了，或删除后重建了</source>
        <translation>%1 belongs to another archive (%2); this archive is %3: the archive was replaced, or deleted and made anew</translation>
    </message>
    <message>
        <source>%1记载的表 %2 不是存档的链</source>
        <translation>%1 names table %2, which is not a chain of the archive</translation>
    </message>
    <message>
        <source>%1里的这一行在存档里不在了或被改过</source>
        <translation>this row of %1 is no longer in the archive, or was changed</translation>
    </message>
    <message>
        <source>备份文件夹里的检查点读不出：%1</source>
        <translation>A checkpoint in the backup folder cannot be read: %1</translation>
    </message>
    <message>
        <source>检查点无法核对：%1</source>
        <translation>The checkpoints cannot be checked: %1</translation>
    </message>
    <message>
        <source>存档（%1）不是备份文件夹 %2 里的检查点和备份所属的存档（%3）：它被删除后重建了，或被换掉了</source>
        <translation>The archive (%1) is not the archive the checkpoints and backups in the backup folder %2 are of (%3): it was deleted and made anew, or replaced</translation>
    </message>
    <message>
        <source>没有检查点</source>
        <translation>no checkpoint</translation>
    </message>
    <message>
        <source>与%1不符：链的第 %2 行的哈希不同，这一行或它前面的行被改过</source>
        <translation>does not match%1: row %2 of the chain has another hash; this row or one before it was changed</translation>
    </message>
    <message>
        <source>这条链只有 %1 行，%2记载它有 %3 行：行被删除了，或存档换成了较早的</source>
        <translation>this chain has only %1 rows where%2says %3: rows were deleted, or the archive was replaced by an older one</translation>
    </message>
    <message>
        <source> %1 的检查点 %2 </source>
        <translation> the checkpoint of %1 %2 </translation>
    </message>
    <message>
        <source>签名钥匙 %1 不在</source>
        <translation>The signing key %1 is missing</translation>
    </message>
    <message>
        <source>签名钥匙 %1 别人也能读写，不用它（chmod 600，且须属于本用户）</source>
        <translation>The signing key %1 can be read or written by others; it is not used (chmod 600, owned by this user)</translation>
    </message>
    <message>
        <source>签名钥匙 %1 读不出：%2</source>
        <translation>The signing key %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>签名钥匙 %1 不是本程序的钥匙文件</source>
        <translation>The signing key %1 is not this program&apos;s key file</translation>
    </message>
    <message>
        <source>libsodium 无法初始化</source>
        <translation>libsodium cannot be initialised</translation>
    </message>
    <message>
        <source>签名钥匙的文件夹 %1 建不成</source>
        <translation>The signing key&apos;s folder %1 cannot be made</translation>
    </message>
    <message>
        <source>签名钥匙 %1 写不成：%2</source>
        <translation>The signing key %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>读不出存档的标识</source>
        <translation>Cannot read the archive&apos;s identity</translation>
    </message>
    <message>
        <source>磁盘已满，备份 %1 写不进去；请在备份文件夹所在的磁盘上腾出空间</source>
        <translation>The disk is full: the backup %1 cannot be written; free space on the backup folder&apos;s disk</translation>
    </message>
    <message>
        <source>存档的标识没有写入</source>
        <translation>The archive&apos;s identity was not written</translation>
    </message>
    <message>
        <source>（时钟寄存器合为 %1）</source>
        <translation> (the clock registers together: %1)</translation>
    </message>
    <message>
        <source>读不出存档的模式</source>
        <translation>Cannot read the archive&apos;s schema</translation>
    </message>
    <message>
        <source>存档文件 %1 被删除了</source>
        <translation>The archive file %1 was deleted</translation>
    </message>
    <message>
        <source>存档文件 %1 被换成了另一个文件</source>
        <translation>The archive file %1 was replaced by another file</translation>
    </message>
</context>
<context>
    <name>archive::Backup</name>
    <message>
        <source>备份 %1 打不开</source>
        <translation>The backup %1 cannot be opened</translation>
    </message>
    <message>
        <source>备份 %1 </source>
        <translation>the backup %1 </translation>
    </message>
    <message>
        <source>备份 %1 恢复不了，无法对照：%2</source>
        <translation>Backup %1 cannot be restored to compare with: %2</translation>
    </message>
</context>
<context>
    <name>archivesettings</name>
    <message>
        <source>端口 %1 不在 1–65535 之内</source>
        <translation>Port %1 is not within 1–65535</translation>
    </message>
    <message>
        <source>%1不能含换行或其他控制字符</source>
        <translation>%1 cannot contain line breaks or other control characters</translation>
    </message>
    <message>
        <source>主机不能含空格</source>
        <translation>Host cannot contain spaces</translation>
    </message>
    <message>
        <source>主机</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>数据库</source>
        <translation>Database</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>数据库不能为空</source>
        <translation>Database cannot be empty</translation>
    </message>
    <message>
        <source>用户不能为空</source>
        <translation>User cannot be empty</translation>
    </message>
    <message>
        <source>口令不写在文件里，请存入密钥环或 ~/.pgpass</source>
        <translation>passwords do not go in the file; keep them in the keyring or ~/.pgpass</translation>
    </message>
    <message>
        <source>kind 应为 sqlite 或 postgres</source>
        <translation>kind should be sqlite or postgres</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 database=（PostgreSQL 存档的数据库）</source>
        <translation>Settings file %1 has no database= (the PostgreSQL archive database)</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 user=（连接 PostgreSQL 的用户）</source>
        <translation>Settings file %1 has no user= (the user connecting to PostgreSQL)</translation>
    </message>
    <message>
        <source>……设置文件 %1 共 %2 处无法使用</source>
        <translation>…settings file %1: %2 entries cannot be used</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，未读取</source>
        <translation>Settings file %1 %2, not read</translation>
    </message>
    <message>
        <source>口令没有保存（%1）。请把它写进 ~/.pgpass（权限 0600），一行“主机:端口:数据库:用户:口令”，程序连接时由 PostgreSQL 读取。</source>
        <translation>The password was not saved (%1). Please put it in ~/.pgpass (permissions 0600) as a line &quot;host:port:database:user:password&quot;; PostgreSQL reads it when the program connects.</translation>
    </message>
    <message>
        <source>%1，连接时不带口令（PostgreSQL 会查 ~/.pgpass）</source>
        <translation>%1; connecting without a password (PostgreSQL looks in ~/.pgpass)</translation>
    </message>
    <message>
        <source>备份文件夹应为绝对路径</source>
        <translation>The backup folder must be an absolute path</translation>
    </message>
    <message>
        <source>备份文件夹</source>
        <translation>Backup folder</translation>
    </message>
    <message>
        <source>备份保留天数应为 1–%1 的整数</source>
        <translation>The days to keep backups must be a whole number from 1 to %1</translation>
    </message>
    <message>
        <source>设置文件 %1 %2</source>
        <translation>Settings file %1 %2</translation>
    </message>
</context>
<context>
    <name>busshare::BusRelay</name>
    <message>
        <source>无法建立 %1：其他程序将不能经由监视程序使用这条线路</source>
        <translation>Cannot create %1: other programs will not be able to use this line through the watcher</translation>
    </message>
    <message>
        <source>另一个监视程序已在管理 %1（%2）</source>
        <translation>Another watcher already manages %1 (%2)</translation>
    </message>
    <message>
        <source>无法在 %1 接受其他程序的请求：%2</source>
        <translation>Cannot take other programs&apos; requests at %1: %2</translation>
    </message>
    <message>
        <source>套接字文件不见了</source>
        <translation>the socket file is gone</translation>
    </message>
    <message>
        <source>%1 暂时不能接受其他程序的请求（%2），稍后再试</source>
        <translation>%1 cannot take other programs&apos; requests for now (%2); trying again later</translation>
    </message>
    <message>
        <source>%1 又能接受其他程序的请求了</source>
        <translation>%1 takes other programs&apos; requests again</translation>
    </message>
    <message>
        <source>消息格式不对</source>
        <translation>a malformed message</translation>
    </message>
    <message>
        <source>请求长 %1 字节</source>
        <translation>a request of %1 bytes</translation>
    </message>
    <message>
        <source>已有 %1 个请求在等</source>
        <translation>%1 requests already waiting</translation>
    </message>
    <message>
        <source>其他程序的连接已断开：%1</source>
        <translation>Another program&apos;s connection was closed: %1</translation>
    </message>
</context>
<context>
    <name>clockfields</name>
    <message>
        <source>秒</source>
        <translation>Second</translation>
    </message>
    <message>
        <source>分</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>时</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>星期</source>
        <translation>Weekday</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>年</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>寄存器 %1</source>
        <translation>register %1</translation>
    </message>
    <message>
        <source>线圈 %1</source>
        <translation>coil %1</translation>
    </message>
    <message>
        <source>星期日</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>星期一</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>星期二</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>星期三</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>星期四</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>星期五</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>星期六</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>%1分%2秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1日%2时</source>
        <translation>day %1, %2 h</translation>
    </message>
    <message>
        <source>%1月，%2</source>
        <translation>month %1, %2</translation>
    </message>
    <message>
        <source>%1年</source>
        <translation>year %1</translation>
    </message>
    <message>
        <source>电脑时钟超出了记录仪的年份范围</source>
        <translation>The PC clock is outside the recorder&apos;s range of years</translation>
    </message>
</context>
<context>
    <name>comports</name>
    <message>
        <source>设置文件 %1 %2，未读取，已使用默认的端口对应</source>
        <translation>Settings file %1 %2, not read; the default port mapping is used</translation>
    </message>
    <message>
        <source>大于 %1 字节</source>
        <translation>is larger than %1 bytes</translation>
    </message>
    <message>
        <source>超过 %1 行</source>
        <translation>has more than %1 lines</translation>
    </message>
    <message>
        <source>设置文件 %1 中有 %2 行无法识别（%3），已忽略这些行</source>
        <translation>Settings file %1 has %2 lines that cannot be understood (%3); they are ignored</translation>
    </message>
    <message>
        <source>COM%1（%2）</source>
        <translation>COM%1 (%2)</translation>
    </message>
    <message>
        <source>串口 %1 不存在：找不到该设备。
请检查USB转RS485转换器是否已插好，或在 %2 中为该端口指定设备。</source>
        <translation>Serial port %1 does not exist: the device cannot be found.
Please check that the USB-RS485 converter is plugged in, or name a device for the port in %2.</translation>
    </message>
    <message>
        <source>没有权限打开串口 %1。
请将当前用户加入 dialout 组（sudo usermod -aG dialout $USER），重新登录后再试。</source>
        <translation>No permission to open serial port %1.
Please add the user to the dialout group (sudo usermod -aG dialout $USER), log in again and retry.</translation>
    </message>
    <message>
        <source>串口 %1 无法打开：%2</source>
        <translation>Serial port %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>所选串口已被其他设备占用！
%1</source>
        <translation>Selected serial port has been used by other devices!
%1</translation>
    </message>
</context>
<context>
    <name>convert</name>
    <message>
        <source>整数</source>
        <translation>whole number</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>number</translation>
    </message>
    <message>
        <source>“%1”中的“%2”不是 %3 到 %4 之间的%5，命令未发送。</source>
        <translation>&quot;%2&quot; in &quot;%1&quot; is not a %5 from %3 to %4. Command not sent.</translation>
    </message>
    <message>
        <source>“%1”已取整为 %2</source>
        <translation>&quot;%1&quot; rounded to %2</translation>
    </message>
</context>
<context>
    <name>echomode</name>
    <message>
        <source>有回显</source>
        <translation>Echo</translation>
    </message>
    <message>
        <source>无回显</source>
        <translation>No echo</translation>
    </message>
    <message>
        <source>自动识别</source>
        <translation>Auto-detect</translation>
    </message>
</context>
<context>
    <name>exports</name>
    <message>
        <source>第 %1 条记录无法解析：%2</source>
        <translation>Record %1 cannot be decoded: %2</translation>
    </message>
    <message>
        <source>……共 %1 条记录无法解析</source>
        <translation>…%1 records in all cannot be decoded</translation>
    </message>
    <message>
        <source>该时段有 %1 条记录，超过 .xls 工作表的 %2 条上限，请导出为 .xlsx 或 CSV。</source>
        <translation>The period holds %1 records, more than the %2 an .xls sheet can hold. Please export as .xlsx or CSV.</translation>
    </message>
</context>
<context>
    <name>framelog</name>
    <message>
        <source>读保持寄存器</source>
        <translation>read holding registers</translation>
    </message>
    <message>
        <source>读输入寄存器</source>
        <translation>read input registers</translation>
    </message>
    <message>
        <source>写单个线圈</source>
        <translation>write single coil</translation>
    </message>
    <message>
        <source>写单个寄存器</source>
        <translation>write single register</translation>
    </message>
    <message>
        <source>写多个寄存器</source>
        <translation>write multiple registers</translation>
    </message>
    <message>
        <source>未知功能</source>
        <translation>unknown function</translation>
    </message>
    <message>
        <source>值 </source>
        <translation>values </translation>
    </message>
    <message>
        <source>起始 %1，数量 %2</source>
        <translation>start %1, quantity %2</translation>
    </message>
    <message>
        <source>字节数 %1 与请求的 %2 个寄存器不符</source>
        <translation>byte count %1 does not match the %2 registers asked for</translation>
    </message>
    <message>
        <source>数量 %1</source>
        <translation>quantity %1</translation>
    </message>
    <message>
        <source>非法值 %1</source>
        <translation>invalid value %1</translation>
    </message>
    <message>
        <source>线圈 %1 = %2</source>
        <translation>coil %1 = %2</translation>
    </message>
    <message>
        <source>寄存器 %1 = %2</source>
        <translation>register %1 = %2</translation>
    </message>
    <message>
        <source>字节数 %1 与数量不符</source>
        <translation>byte count %1 does not match the quantity</translation>
    </message>
    <message>
        <source>（无字节）</source>
        <translation>(no bytes)</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>残帧：1 字节</source>
        <translation>torn frame: 1 byte</translation>
    </message>
    <message>
        <source>功能 %1 %2</source>
        <translation>function %1 %2</translation>
    </message>
    <message>
        <source>残帧：%1 字节，应为 %2 字节</source>
        <translation>torn frame: %1 bytes, %2 expected</translation>
    </message>
    <message>
        <source>残帧：%1 字节</source>
        <translation>torn frame: %1 bytes</translation>
    </message>
    <message>
        <source>异常应答：代码 %1 %2</source>
        <translation>exception reply: code %1 %2</translation>
    </message>
    <message>
        <source>不是所发请求的地址或功能码</source>
        <translation>not the address or function of the request sent</translation>
    </message>
    <message>
        <source>CRC 正确</source>
        <translation>CRC good</translation>
    </message>
    <message>
        <source>CRC 错误</source>
        <translation>CRC bad</translation>
    </message>
    <message>
        <source>其后多出 %1 字节</source>
        <translation>followed by %1 extra bytes</translation>
    </message>
    <message>
        <source>适配器回显的请求，已去除</source>
        <translation>the adapter&apos;s echo of the request, removed</translation>
    </message>
    <message>
        <source>丢弃的字节：</source>
        <translation>dropped bytes: </translation>
    </message>
    <message>
        <source>完整应答之后多出的字节：</source>
        <translation>bytes after a complete reply: </translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no reply</translation>
    </message>
    <message>
        <source>发</source>
        <translation>TX</translation>
    </message>
    <message>
        <source>收</source>
        <translation>RX</translation>
    </message>
    <message>
        <source>时间          方向  间隔(ms)  十六进制 | 解析<byte value="xd"/>
</source>
        <translation>Time          Dir.  Gap (ms)  Hex | Decoded</translation>
    </message>
    <message>
        <source>时间,方向,间隔(ms),十六进制,解析<byte value="xd"/>
</source>
        <translation>time,direction,gap_ms,hex,decoded</translation>
    </message>
    <message>
        <source>设备 %1 无应答：%2</source>
        <translation>Device %1 did not answer: %2</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>传感器</source>
        <translation>Sensors</translation>
    </message>
    <message>
        <source>WL8806N智能RS485动态水分记录仪随机软件V14.12.10</source>
        <translation>WL8806N Smart RS485 Dynamic Moisture Recorder Software V14.12.10</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Live data</translation>
    </message>
    <message>
        <source>仪器设置</source>
        <translation>Instrument settings</translation>
    </message>
    <message>
        <source>扩展设置</source>
        <translation>Extended settings</translation>
    </message>
    <message>
        <source>记录操作</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>维护工具</source>
        <translation>Maintenance</translation>
    </message>
    <message>
        <source>实时曲线</source>
        <translation>Live trend</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>History</translation>
    </message>
    <message>
        <source>状态栏</source>
        <translation>Status line</translation>
    </message>
    <message>
        <source>串口 %1 已断开（设备被拔出或连接中断），端口已关闭。</source>
        <translation>Serial port %1 was disconnected (the device was unplugged or the connection broke); the port is closed.</translation>
    </message>
    <message>
        <source>%1，已使用%2</source>
        <translation>%1, using %2</translation>
    </message>
    <message>
        <source>COM%1、%2 波特</source>
        <translation>COM%1, %2 baud</translation>
    </message>
    <message>
        <source>设备地址 %1、模块总数 %2</source>
        <translation>device address %1, module count %2</translation>
    </message>
    <message>
        <source>记录应答窗口 %1 毫秒、每条 %2 次、保护时间 %3 毫秒</source>
        <translation>record reply window %1 ms, %2 attempts each, guard time %3 ms</translation>
    </message>
    <message>
        <source>。
</source>
        <translation>.
</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>监视程序已不再管理 %1，端口已关闭；再次打开端口即可直接使用。</source>
        <translation>The watcher no longer manages %1, and the port was closed; open the port again to use it directly.</translation>
    </message>
</context>
<context>
    <name>jobs::ModulePass</name>
    <message>
        <source>模块 %1：未读到记录条数，未读取记录。</source>
        <translation>Module %1: the record count was not read; records not read.</translation>
    </message>
    <message>
        <source>模块 %1：%2，未读取记录。</source>
        <translation>Module %1: %2; no records were read.</translation>
    </message>
    <message>
        <source>未读到传感器总数（寄存器 136）</source>
        <translation>the sensor count (register 136) could not be read</translation>
    </message>
    <message>
        <source>模块 %1：%2。</source>
        <translation>Module %1: %2.</translation>
    </message>
    <message>
        <source>模块 %1：%2 条记录超出了寄存器范围（每条 %3 个寄存器时最多 %4 条），未读取记录。</source>
        <translation>Module %1: %2 records exceed the register range (at most %4 with %3 registers each); records not read.</translation>
    </message>
    <message>
        <source>模块 %1：%2</source>
        <translation>Module %1: %2</translation>
    </message>
</context>
<context>
    <name>kinds</name>
    <message>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <source>实时读取</source>
        <translation>Live read</translation>
    </message>
    <message>
        <source>读所有参数</source>
        <translation>Read all parameters</translation>
    </message>
    <message>
        <source>读参数</source>
        <translation>Read parameter</translation>
    </message>
    <message>
        <source>读条数</source>
        <translation>Read count</translation>
    </message>
    <message>
        <source>读记录</source>
        <translation>Read record</translation>
    </message>
    <message>
        <source>读记录时间间隔</source>
        <translation>Read interval</translation>
    </message>
    <message>
        <source>读传感器总数</source>
        <translation>Read sensor count</translation>
    </message>
    <message>
        <source>存储状态监测</source>
        <translation>Storage state</translation>
    </message>
    <message>
        <source>读时钟</source>
        <translation>Read clock</translation>
    </message>
    <message>
        <source>写寄存器</source>
        <translation>Write register</translation>
    </message>
    <message>
        <source>写线圈</source>
        <translation>Write coil</translation>
    </message>
    <message>
        <source>写多个寄存器</source>
        <translation>Write registers</translation>
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
    <name>main</name>
    <message>
        <source>模拟记录仪无法启动：%1</source>
        <translation>The simulated recorder could not start: %1</translation>
    </message>
    <message>
        <source>演示模式：COM%1 连接到模拟记录仪（%2），设备地址 %3</source>
        <translation>Demo mode: COM%1 is connected to the simulated recorder (%2), device address %3</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>modbus</name>
    <message>
        <source>非法功能</source>
        <translation>Illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>Illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>Illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>Slave device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>Slave device busy</translation>
    </message>
    <message>
        <source>存储奇偶性差错</source>
        <translation>Memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>Gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备响应失败</source>
        <translation>Gateway target device failed to respond</translation>
    </message>
    <message>
        <source>未知异常</source>
        <translation>Unknown exception</translation>
    </message>
    <message>
        <source>应答帧正确，但其后多出 %1 字节</source>
        <translation>Reply frame correct, but followed by %1 extra bytes</translation>
    </message>
    <message>
        <source>应答正确（%1 字节）</source>
        <translation>Reply correct (%1 bytes)</translation>
    </message>
    <message>
        <source>异常应答：代码 %1（%2）</source>
        <translation>Exception reply: code %1 (%2)</translation>
    </message>
    <message>
        <source>应答CRC校验错误（%1 字节）</source>
        <translation>Reply CRC error (%1 bytes)</translation>
    </message>
    <message>
        <source>应答来自其他地址或功能码</source>
        <translation>Reply from another address or function code</translation>
    </message>
    <message>
        <source>应答字节数与请求不符（收到 %1 字节）</source>
        <translation>Reply length does not fit the request (%1 bytes received)</translation>
    </message>
    <message>
        <source>应答不完整：收到 %1 字节，应为 %2 字节</source>
        <translation>Incomplete reply: %1 bytes received, %2 expected</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>再次读取的应答不一致，未采用</source>
        <translation>the replies to the repeated read disagree; none was taken</translation>
    </message>
</context>
<context>
    <name>notices</name>
    <message>
        <source>步骤</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>步骤时间</source>
        <translation>Step time</translation>
    </message>
    <message>
        <source>方式</source>
        <translation>By</translation>
    </message>
    <message>
        <source>通知对象</source>
        <translation>To</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Raised</translation>
    </message>
    <message>
        <source>重复通知</source>
        <translation>Repeated</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledged</translation>
    </message>
    <message>
        <source>解除</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>已送达</source>
        <translation>Delivered</translation>
    </message>
    <message>
        <source>未送达（放弃）</source>
        <translation>Not delivered (given up)</translation>
    </message>
    <message>
        <source>等待重试（已试 %1 次）</source>
        <translation>Waiting to retry (%1 attempts)</translation>
    </message>
    <message>
        <source>邮件</source>
        <translation>Mail</translation>
    </message>
    <message>
        <source>短信</source>
        <translation>SMS</translation>
    </message>
</context>
<context>
    <name>notify</name>
    <message>
        <source>%1 毫秒</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>已送达（%1）</source>
        <translation>delivered (%1)</translation>
    </message>
    <message>
        <source>已交给邮件服务器</source>
        <translation>handed to the mail server</translation>
    </message>
    <message>
        <source>未送达（%1）：服务器拒绝，不再重试</source>
        <translation>not delivered (%1): refused by the server, not tried again</translation>
    </message>
    <message>
        <source>未送达（%1）：已试 %2 次，时间太久，放弃</source>
        <translation>not delivered (%1): tried %2 times for too long, given up</translation>
    </message>
    <message>
        <source>未送达（%1）：%2后第 %3 次重试</source>
        <translation>not delivered (%1): retry %3 in %2</translation>
    </message>
    <message>
        <source>未送达：程序退出，放弃（已试 %1 次）</source>
        <translation>not delivered: the program is stopping, given up (tried %1 times)</translation>
    </message>
    <message>
        <source>未送达：等待发送的通知超过 %1 条，丢弃最早的一条</source>
        <translation>not delivered: more than %1 notifications waiting, the oldest one dropped</translation>
    </message>
    <message>
        <source>不是完整的网址</source>
        <translation>not a complete URL</translation>
    </message>
    <message>
        <source>口令不写在网址里，请用 password-file= 指明只有自己能读的口令文件</source>
        <translation>passwords do not go in the URL; name a file only you can read with password-file=</translation>
    </message>
    <message>
        <source>口令不写在 notify.set 里：请把它写进一个只有自己能读的文件（chmod 600），用 password-file= 指明</source>
        <translation>passwords do not go in notify.set: write it to a file only you can read (chmod 600) and name it with password-file=</translation>
    </message>
    <message>
        <source>网址应以 http:// 或 https:// 开头</source>
        <translation>the URL should start with http:// or https://</translation>
    </message>
    <message>
        <source>网址应以 smtp:// 或 smtps:// 开头</source>
        <translation>the URL should start with smtp:// or smtps://</translation>
    </message>
    <message>
        <source>发件人不是“名字@主机”形式的邮件地址</source>
        <translation>the sender is not an e-mail address of the form &quot;name@host&quot;</translation>
    </message>
    <message>
        <source>收件人应为逗号分隔的“名字@主机”形式的邮件地址</source>
        <translation>the recipients should be e-mail addresses of the form &quot;name@host&quot;, separated by commas</translation>
    </message>
    <message>
        <source>用户名不能含控制字符</source>
        <translation>the user name cannot hold control characters</translation>
    </message>
    <message>
        <source>语言应为 zh 或 en</source>
        <translation>the language should be zh or en</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 smtp=（邮件服务器），不发邮件</source>
        <translation>Settings file %1 has no smtp= (the mail server): no e-mail is sent</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 from=（发件人），不发邮件</source>
        <translation>Settings file %1 has no from= (the sender): no e-mail is sent</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 to=（收件人），不发邮件</source>
        <translation>Settings file %1 has no to= (the recipients): no e-mail is sent</translation>
    </message>
    <message>
        <source>设置文件 %1 有 password-file= 却没有 user=（登录邮件服务器的用户），口令不会使用</source>
        <translation>Settings file %1 has password-file= but no user= (the mail server&apos;s login): the password is not used</translation>
    </message>
    <message>
        <source>……设置文件 %1 共 %2 处无法使用</source>
        <translation>…settings file %1: %2 entries cannot be used</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，未读取，不发通知</source>
        <translation>Settings file %1 %2, not read: no notifications are sent</translation>
    </message>
    <message>
        <source>口令文件 %1 %2，口令未使用</source>
        <translation>Password file %1 %2: the password is not used</translation>
    </message>
    <message>
        <source>不存在</source>
        <translation>does not exist</translation>
    </message>
    <message>
        <source>无法打开（%1）</source>
        <translation>cannot be opened (%1)</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>is not a regular file</translation>
    </message>
    <message>
        <source>不属于运行本程序的用户（属主 uid %1，本程序 uid %2）；请用 chown 改为本用户，再执行 chmod 600 %3</source>
        <translation>does not belong to the user running the program (owner uid %1, program uid %2); give it to this user with chown, then run chmod 600 %3</translation>
    </message>
    <message>
        <source>别人也能读写（权限 %1）；请执行 chmod 600 %2，只让自己读写</source>
        <translation>can be read or written by others (mode %1); run chmod 600 %2 so that only you can</translation>
    </message>
    <message>
        <source>大于 %1 字节，不像一个口令</source>
        <translation>is larger than %1 bytes, not a password</translation>
    </message>
    <message>
        <source>无法读取（%1）</source>
        <translation>cannot be read (%1)</translation>
    </message>
    <message>
        <source>第一行是空的</source>
        <translation>has an empty first line</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，这一行未使用</source>
        <translation>Settings file %1 %2; the line is not used</translation>
    </message>
    <message>
        <source>未送达：程序退出，下次启动时再试（已试 %1 次）</source>
        <translation>not delivered: the program ended; tried again at its next start (%1 attempts)</translation>
    </message>
    <message>
        <source>通知 %1 报警 %2 没有存进存档，程序退出前送不到就会丢失：%3</source>
        <translation>Notification %1 of alarm %2 was not kept in the archive; it is lost if it is not delivered before the program ends: %3</translation>
    </message>
    <message>
        <source>通知 %1 报警 %2 的结果没有存进存档：%3</source>
        <translation>The outcome of notification %1 of alarm %2 was not kept in the archive: %3</translation>
    </message>
    <message>
        <source>短信已由 gammu-smsd 发出</source>
        <translation>sent by gammu-smsd</translation>
    </message>
    <message>
        <source>gammu-smsd 没能发出</source>
        <translation>gammu-smsd could not send it</translation>
    </message>
    <message>
        <source>gammu-smsd 的发件箱里找不到它了</source>
        <translation>it is no longer in gammu-smsd&apos;s outbox</translation>
    </message>
    <message>
        <source>已交给 gammu-smsd 发送</source>
        <translation>handed to gammu-smsd</translation>
    </message>
    <message>
        <source>应为“名字:手机号码”，号码为数字，可以 + 开头</source>
        <translation>should be &quot;name:phone number&quot;, the number digits, + allowed first</translation>
    </message>
    <message>
        <source>这个名字前面已经有了</source>
        <translation>this name was given before</translation>
    </message>
    <message>
        <source>应为以空格分隔的 webhook、mail、mail:地址,…、sms、sms:名字,…</source>
        <translation>should be webhook, mail, mail:address,…, sms, sms:name,… separated by spaces</translation>
    </message>
    <message>
        <source>路径不能含控制字符</source>
        <translation>the path cannot hold control characters</translation>
    </message>
    <message>
        <source>设置文件 %1 没有 level%2=，后面的级别提前</source>
        <translation>Settings file %1 has no level%2=: the levels after it move up</translation>
    </message>
    <message>
        <source>设置文件 %1 level%2= 的“%3”不在 sms-to= 里，不发给此人</source>
        <translation>Settings file %1: &quot;%3&quot; of level%2= is not in sms-to=; not told</translation>
    </message>
    <message>
        <source>设置文件 %1 有 sms-smsdrc= 却没有 sms-to=（收短信的人），不发短信</source>
        <translation>Settings file %1 has sms-smsdrc= but no sms-to= (who gets the SMS): no SMS is sent</translation>
    </message>
    <message>
        <source>设置文件 %1 有 sms-to= 却没有 sms-smsdrc=（gammu-smsd 的配置），不发短信</source>
        <translation>Settings file %1 has sms-to= but no sms-smsdrc= (gammu-smsd&apos;s configuration): no SMS is sent</translation>
    </message>
    <message>
        <source>报警 %1 %2 分钟无人确认，通知第 %3 级</source>
        <translation>Alarm %1 unacknowledged for %2 minutes: level %3 told</translation>
    </message>
</context>
<context>
    <name>polling</name>
    <message>
        <source>%1 测点%2</source>
        <translation>%1, point %2</translation>
    </message>
    <message>
        <source>传感器类型</source>
        <translation>Sensor type</translation>
    </message>
    <message>
        <source>RS485轮循设备地址</source>
        <translation>RS485 polling address</translation>
    </message>
    <message>
        <source>RS485轮循寄存器起始地址</source>
        <translation>RS485 polling start register</translation>
    </message>
    <message>
        <source>测点数据倍率</source>
        <translation>Point multiplier</translation>
    </message>
    <message>
        <source>RS485轮循数据长度</source>
        <translation>RS485 polling data length</translation>
    </message>
    <message>
        <source>RS485 MODBUS-RTU轮循设备总数</source>
        <translation>RS485 Modbus-RTU polled devices</translation>
    </message>
    <message>
        <source>读所有</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>写所有</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>读所有参数</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>写入所有参数</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>更新到设备</source>
        <translation>To device</translation>
    </message>
    <message>
        <source>更新硬件</source>
        <translation>To hardware</translation>
    </message>
    <message>
        <source>以上参数值范围1-99，1为温度 2为湿度 3是气体 4是电压 5是电流</source>
        <translation>Values 1-99: 1 temperature, 2 humidity, 3 gas, 4 voltage, 5 current</translation>
    </message>
    <message>
        <source>以上参数值范围1-20</source>
        <translation>Values 1-20</translation>
    </message>
    <message>
        <source>值为范围1-99</source>
        <translation>Value 1-99</translation>
    </message>
</context>
<context>
    <name>recorder</name>
    <message>
        <source>命令已停止</source>
        <translation>command stopped</translation>
    </message>
    <message>
        <source>端口未打开，未发送</source>
        <translation>port not open, not sent</translation>
    </message>
    <message>
        <source>应答与请求不一致</source>
        <translation>the reply does not match the request</translation>
    </message>
    <message>
        <source>记录仪的传感器总数是 %1，不是 %2</source>
        <translation>the recorder has %1 sensors, not %2</translation>
    </message>
</context>
<context>
    <name>recorders</name>
    <message>
        <source>端口 COM%1 不在 COM%2–COM%3 之内</source>
        <translation>Port COM%1 is not within COM%2–COM%3</translation>
    </message>
    <message>
        <source>地址 %1 不在 %2–%3 之内</source>
        <translation>Address %1 is not within %2–%3</translation>
    </message>
    <message>
        <source>名称不能为空</source>
        <translation>The name cannot be empty</translation>
    </message>
    <message>
        <source>名称“%1”不能含逗号、换行或其他控制字符</source>
        <translation>The name &quot;%1&quot; cannot contain commas, line breaks or other control characters</translation>
    </message>
    <message>
        <source>名称“%1”超过 %2 个字符</source>
        <translation>The name &quot;%1&quot; is longer than %2 characters</translation>
    </message>
    <message>
        <source>名称“%1”是另一台记录仪的默认名称</source>
        <translation>The name &quot;%1&quot; is another recorder&apos;s default name</translation>
    </message>
    <message>
        <source>名称“%1”已用于 %2</source>
        <translation>The name &quot;%1&quot; is already used for %2</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，未读取，记录仪使用默认名称</source>
        <translation>Settings file %1 %2, not read; the recorders use their default names</translation>
    </message>
    <message>
        <source>不是 UTF-8 文字</source>
        <translation>not UTF-8 text</translation>
    </message>
    <message>
        <source>应为“COM端口,地址,名称”</source>
        <translation>should be &quot;COM port,address,name&quot;</translation>
    </message>
    <message>
        <source>这台记录仪前面已有名称</source>
        <translation>this recorder was named before</translation>
    </message>
    <message>
        <source>设置文件 %1 第 %2 行“%3”：%4，已忽略此行</source>
        <translation>Settings file %1 line %2 &quot;%3&quot;: %4; line ignored</translation>
    </message>
    <message>
        <source>……设置文件 %1 共 %2 行无法使用</source>
        <translation>…settings file %1: %2 lines cannot be used</translation>
    </message>
</context>
<context>
    <name>records</name>
    <message>
        <source>含有换行符 0D0A</source>
        <translation>contains a line break 0D0A</translation>
    </message>
    <message>
        <source>只有 %1 个字节，不足一条记录</source>
        <translation>only %1 bytes, less than a record</translation>
    </message>
    <message>
        <source>有 %1 条记录未能读取：第 %2 条。</source>
        <translation> %1 records could not be read: %2.</translation>
    </message>
    <message>
        <source>第 %1 条未读取。</source>
        <translation> Not read: %1.</translation>
    </message>
    <message>
        <source>有 %1 个位置不是记录（存储区为空或数据无效），未作为记录保存：第 %2 条。</source>
        <translation> %1 positions hold no record (empty memory or invalid data) and were not kept as records: %2.</translation>
    </message>
    <message>
        <source>共 %1 条记录，已读取 %2 条。%3</source>
        <translation>%1 records in all, %2 read.%3</translation>
    </message>
    <message>
        <source>读取已停止，已读取 %1 条。%2</source>
        <translation>Reading stopped, %1 records read.%2</translation>
    </message>
    <message>
        <source>读取记录时串口已断开，读取已中止。已读取的 %1 条记录保留在接收区。%2</source>
        <translation>The serial port was disconnected while reading records; reading ended. The %1 records read stay in the receive area.%2</translation>
    </message>
    <message>
        <source>设备连续 %1 条记录没有有效应答，读取已中止。已读取 %2 条。%3</source>
        <translation>The device gave no valid reply for %1 records in a row; reading ended. %2 records read.%3</translation>
    </message>
    <message>
        <source>读取所有记录：已读取全部 %1 条记录</source>
        <translation>Read all records: all %1 records read</translation>
    </message>
    <message>
        <source>读取所有记录：已读取 %1 条，%2 条未读取或不是记录</source>
        <translation>Read all records: %1 read, %2 not read or no record</translation>
    </message>
    <message>
        <source>读取所有记录：已停止，已读取 %1 条%2</source>
        <translation>Read all records: stopped, %1 read%2</translation>
    </message>
    <message>
        <source>，第 %1 条未读取</source>
        <translation>, not read: %1</translation>
    </message>
    <message>
        <source>读取所有记录：串口已断开，已读取 %1 条</source>
        <translation>Read all records: serial port disconnected, %1 read</translation>
    </message>
    <message>
        <source>读取所有记录：设备无应答，已读取 %1 条</source>
        <translation>Read all records: no reply from the device, %1 read</translation>
    </message>
    <message>
        <source>读取所有记录：窗口关闭，读取已中止</source>
        <translation>Read all records: window closed, reading ended</translation>
    </message>
    <message>
        <source>（逐条读取）</source>
        <translation> (record by record)</translation>
    </message>
    <message>
        <source>（成块读取）</source>
        <translation> (block reads)</translation>
    </message>
    <message>
        <source>（记录仪不支持成块读取：%1，已改为逐条读取）</source>
        <translation> (the recorder does not support block reads: %1; read record by record)</translation>
    </message>
    <message>
        <source>已用 %1/%2 条（%3%）</source>
        <translation>%1/%2 used (%3%)</translation>
    </message>
    <message>
        <source>记录条数 %1 超过了存储容量 %2 条，请核对传感器总数，并尽快读取记录后清条数</source>
        <translation>The record count %1 exceeds the memory&apos;s %2 records. Please check the sensor count, and read the records and clear the count soon</translation>
    </message>
    <message>
        <source>存储已用 %1%（%2/%3 条），请尽快读取记录并清条数</source>
        <translation>Memory %1% used (%2/%3): please read the records and clear the count soon</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>剩余约 0 秒</source>
        <translation>About 0 s left</translation>
    </message>
    <message>
        <source>剩余时间估算中</source>
        <translation>Estimating time left</translation>
    </message>
    <message>
        <source>剩余约 %1 秒</source>
        <translation>About %1 s left</translation>
    </message>
    <message>
        <source>剩余约 %1 分 %2 秒</source>
        <translation>About %1 min %2 s left</translation>
    </message>
    <message>
        <source>剩余约 %1 小时 %2 分</source>
        <translation>About %1 h %2 min left</translation>
    </message>
    <message>
        <source>成块读取得到异常应答：%1</source>
        <translation>block read got an exception reply: %1</translation>
    </message>
    <message>
        <source>两次成块读取失败，而逐条读取成功</source>
        <translation>two block reads failed where single reads succeeded</translation>
    </message>
    <message>
        <source>第 %1 个字节“%2”不是十六进制数</source>
        <translation>byte %1 “%2” is not hexadecimal</translation>
    </message>
    <message>
        <source>读取记录时连接已断开，读取已中止。已读取的 %1 条记录保留在接收区。%2</source>
        <translation>The connection dropped while reading records; reading ended. The %1 records read stay in the receive area.%2</translation>
    </message>
    <message>
        <source>读取记录时连接已断开，读取已中止。已读取 %1 条。%2</source>
        <translation>The connection dropped while reading records; reading ended. %1 records were read.%2</translation>
    </message>
    <message>
        <source>读取记录时串口已断开，读取已中止。已读取 %1 条。%2</source>
        <translation>The serial port was disconnected while reading records; reading ended. %1 records were read.%2</translation>
    </message>
    <message>
        <source>读取所有记录：连接已断开，已读取 %1 条</source>
        <translation>Read all records: connection dropped, %1 read</translation>
    </message>
</context>
<context>
    <name>safefile</name>
    <message>
        <source>是一个文件夹</source>
        <translation>is a folder</translation>
    </message>
    <message>
        <source>是一个管道，不是普通文件</source>
        <translation>is a pipe, not a regular file</translation>
    </message>
    <message>
        <source>是一个设备，不是普通文件</source>
        <translation>is a device, not a regular file</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>is not a regular file</translation>
    </message>
    <message>
        <source>大于 %1 字节</source>
        <translation>is larger than %1 bytes</translation>
    </message>
    <message>
        <source>所在的文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>磁盘是只读的</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>同名的是一个文件夹</source>
        <translation>a folder has that name</translation>
    </message>
    <message>
        <source>路径中有一段不是文件夹</source>
        <translation>part of the path is not a folder</translation>
    </message>
</context>
<context>
    <name>scan</name>
    <message>
        <source>传感器总数 %1</source>
        <translation>sensor count %1</translation>
    </message>
    <message>
        <source>异常应答 %1（%2）</source>
        <translation>exception reply %1 (%2)</translation>
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
    <message>
        <source>%1#传感器</source>
        <translation>Sensor %1</translation>
    </message>
</context>
<context>
    <name>serialdevice</name>
    <message>
        <source>USB 适配器延迟计时器为 %1 ms，会拖慢读取；可执行 echo 1 | sudo tee %2</source>
        <translation>The USB adapter&apos;s latency timer is %1 ms, which slows reading; run echo 1 | sudo tee %2</translation>
    </message>
</context>
<context>
    <name>settings</name>
    <message>
        <source>未找到设置文件 %1</source>
        <translation>Settings file %1 not found</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，未读取</source>
        <translation>Settings file %1 %2, not read</translation>
    </message>
    <message>
        <source>设置文件 %1 格式错误：引号未闭合</source>
        <translation>Settings file %1 is malformed: unclosed quote</translation>
    </message>
    <message>
        <source>设置文件 comm.set 格式错误：应为“端口号,波特率”两个数字</source>
        <translation>Settings file comm.set is malformed: it should hold two numbers &quot;port,baud rate&quot;</translation>
    </message>
    <message>
        <source>设置文件 comm.set 中的端口号 %1 不在 1–25 之内</source>
        <translation>The port number %1 in settings file comm.set is not within 1–25</translation>
    </message>
    <message>
        <source>设置文件 comm.set 中的波特率“%1”不是 %2 到 %3 之间的整数</source>
        <translation>The baud rate &quot;%1&quot; in settings file comm.set is not a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>设置文件 ModSet.set 格式错误：应为四个数字</source>
        <translation>Settings file ModSet.set is malformed: it should hold four numbers</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>device address</translation>
    </message>
    <message>
        <source>通道数</source>
        <translation>channel count</translation>
    </message>
    <message>
        <source>模块总数</source>
        <translation>module count</translation>
    </message>
    <message>
        <source>%1“%2”不是 %3 到 %4 之间的整数</source>
        <translation>%1 &quot;%2&quot; is not a whole number from %3 to %4</translation>
    </message>
    <message>
        <source>设置文件 ModSet.set 中的%1</source>
        <translation>In settings file ModSet.set: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>数值超出允许范围</source>
        <translation>value out of range</translation>
    </message>
    <message>
        <source>设置文件 replywin.set 应为“等待毫秒,次数,间隔毫秒,回显,成块读取,连接超时毫秒”六个整数（%1–%2、%3–%4、%5–%6、0 自动识别 1 有回显 2 无回显、1 成块读取 0 逐条读取、%7–%8）</source>
        <translation>Settings file replywin.set should hold six whole numbers &quot;wait ms,attempts,guard ms,echo,block reads,connect timeout ms&quot; (%1–%2, %3–%4, %5–%6, 0 detect 1 echo 2 no echo, 1 block reads 0 record by record, %7–%8)</translation>
    </message>
    <message>
        <source>不是 UTF-8 文字</source>
        <translation>not UTF-8 text</translation>
    </message>
    <message>
        <source>应为“名称=值”</source>
        <translation>should be &quot;name=value&quot;</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>第 %1 行（%2=）：%3</source>
        <translation>line %1 (%2=): %3</translation>
    </message>
    <message>
        <source>不认识的设置</source>
        <translation>unknown setting</translation>
    </message>
    <message>
        <source>前面已经设置过</source>
        <translation>already set on an earlier line</translation>
    </message>
    <message>
        <source>没有值</source>
        <translation>no value</translation>
    </message>
    <message>
        <source>应为 %1–%2 的整数</source>
        <translation>should be a whole number from %1 to %2</translation>
    </message>
    <message>
        <source>应为 %1–%2、最多一位小数的数</source>
        <translation>should be a number from %1 to %2 with at most one decimal</translation>
    </message>
    <message>
        <source>设置文件 %1 %2，未记入审计记录</source>
        <translation>Settings file %1 %2; not put in the audit trail</translation>
    </message>
    <message>
        <source>审计记录未能写入存档：%1</source>
        <translation>The audit trail could not be written to the archive: %1</translation>
    </message>
    <message>
        <source>由本程序写入</source>
        <translation>written by this program</translation>
    </message>
    <message>
        <source>在程序之外被删除</source>
        <translation>deleted outside the program</translation>
    </message>
    <message>
        <source>首次记录，不是修改</source>
        <translation>first record, not an edit</translation>
    </message>
    <message>
        <source>在程序之外被修改</source>
        <translation>edited outside the program</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>settingsfile</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>不是 UTF-8 编码的文字（设置文件须以 UTF-8 保存）</source>
        <translation>not UTF-8 text (settings files must be saved as UTF-8)</translation>
    </message>
    <message>
        <source>记录仪设置文件的版本%1不受支持，此程序读版本 %2</source>
        <translation>recorder settings file version %1 is not supported; this program reads version %2</translation>
    </message>
    <message>
        <source>不是记录仪设置文件（应以“%1”开头）</source>
        <translation>not a recorder settings file (it should begin with &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>%1不是以制表符分隔的“寄存器、名称、数值”</source>
        <translation>%1 is not &quot;register, name, value&quot; separated by tabs</translation>
    </message>
    <message>
        <source>%1不是设置文件所含的寄存器（24 … 104、130 … 149、116）</source>
        <translation>%1 is not a register a settings file holds (24 … 104, 130 … 149, 116)</translation>
    </message>
    <message>
        <source>寄存器 %1 是“%2”，不是%3</source>
        <translation>register %1 is &quot;%2&quot;, not %3</translation>
    </message>
    <message>
        <source>寄存器 %1已在第 %2 行给出</source>
        <translation>register %1 was given in line %2 already</translation>
    </message>
    <message>
        <source>“%1”的数值%2不是 %3 到 %4 之间的整数</source>
        <translation>the value %2 of &quot;%1&quot; is not a whole number from %3 to %4</translation>
    </message>
    <message>
        <source>文件到此结束，缺少寄存器 %1%2</source>
        <translation>the file ends here without register %1%2</translation>
    </message>
    <message>
        <source>等 %1 个</source>
        <translation> and others, %1 in all</translation>
    </message>
</context>
<context>
    <name>site</name>
    <message>
        <source>“%1” 既不是 COM 编号（%2 到 %3）也不是设备路径（以 / 开头）或网络线路（rtu-over-tcp:// 或 tcp://）</source>
        <translation>&quot;%1&quot; is neither a COM number (%2 to %3) nor a device path (starting with /) nor a network line (rtu-over-tcp:// or tcp://)</translation>
    </message>
    <message>
        <source>没有设备地址</source>
        <translation>no device address</translation>
    </message>
    <message>
        <source>“%1” 不是 %2 到 %3 之间的地址</source>
        <translation>&quot;%1&quot; is not an address from %2 to %3</translation>
    </message>
    <message>
        <source>“%1” 不是地址或地址范围（如 1-4）</source>
        <translation>&quot;%1&quot; is not an address or a range of addresses (e.g. 1-4)</translation>
    </message>
    <message>
        <source>范围 “%1” 的起点大于终点</source>
        <translation>the range &quot;%1&quot; starts after its end</translation>
    </message>
    <message>
        <source>地址 %1 出现了两次</source>
        <translation>address %1 is given twice</translation>
    </message>
    <message>
        <source>“%1” 不是 %2 到 %3 之间的波特率</source>
        <translation>&quot;%1&quot; is not a baud rate from %2 to %3</translation>
    </message>
</context>
<context>
    <name>sms</name>
    <message>
        <source>gammu-smsd 的配置文件“%1”打不开：%2</source>
        <translation>gammu-smsd&apos;s configuration &quot;%1&quot; cannot be opened: %2</translation>
    </message>
    <message>
        <source>gammu-smsd 的配置文件“%1”的 [smsd] 段没有写 service，不知道短信交给谁。</source>
        <translation>gammu-smsd&apos;s configuration &quot;%1&quot; names no service in its [smsd] section: nobody to hand the SMS to.</translation>
    </message>
    <message>
        <source>libgammu 没有内存装下 gammu-smsd 的配置。</source>
        <translation>libgammu has no memory for gammu-smsd&apos;s configuration.</translation>
    </message>
    <message>
        <source>libgammu 读不进 gammu-smsd 的配置文件“%1”：%2</source>
        <translation>libgammu cannot read gammu-smsd&apos;s configuration &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>“%1”不是能收短信的号码。</source>
        <translation>&quot;%1&quot; is not a number that can receive SMS.</translation>
    </message>
    <message>
        <source>发给 %1 的短信没有内容。</source>
        <translation>The SMS to %1 has no text.</translation>
    </message>
    <message>
        <source>gammu-smsd 的发件文件夹“%1”不存在。</source>
        <translation>gammu-smsd&apos;s outbox folder &quot;%1&quot; does not exist.</translation>
    </message>
    <message>
        <source>发给 %1 的短信编不成 SMS：%2</source>
        <translation>The SMS to %1 cannot be encoded: %2</translation>
    </message>
    <message>
        <source>gammu-smsd 没有收下发给 %1 的短信：%2</source>
        <translation>gammu-smsd did not take the SMS to %1: %2</translation>
    </message>
    <message>
        <source>gammu-smsd 的 %1 服务不把收到的短信放进文件夹，读不到回复。</source>
        <translation>gammu-smsd&apos;s %1 service keeps received SMS in no folder: replies cannot be read.</translation>
    </message>
    <message>
        <source>gammu-smsd 的收件文件夹“%1”不存在。</source>
        <translation>gammu-smsd&apos;s inbox folder &quot;%1&quot; does not exist.</translation>
    </message>
</context>
<context>
    <name>view</name>
    <message>
        <source>存档建立</source>
        <translation>archive created</translation>
    </message>
    <message>
        <source>存档升级</source>
        <translation>archive upgraded</translation>
    </message>
    <message>
        <source>记录改名</source>
        <translation>records renamed</translation>
    </message>
    <message>
        <source>记录仪名称</source>
        <translation>recorder name</translation>
    </message>
    <message>
        <source>存档设置</source>
        <translation>archive settings</translation>
    </message>
    <message>
        <source>传感器设置</source>
        <translation>sensor settings</translation>
    </message>
    <message>
        <source>报警确认</source>
        <translation>alarm acknowledged</translation>
    </message>
    <message>
        <source>写入记录仪</source>
        <translation>written to a recorder</translation>
    </message>
    <message>
        <source>载入设置文件</source>
        <translation>settings file loaded</translation>
    </message>
    <message>
        <source>报警设置</source>
        <translation>alarm settings</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>export</translation>
    </message>
    <message>
        <source>报告</source>
        <translation>report</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>backup</translation>
    </message>
    <message>
        <source>删除旧备份</source>
        <translation>old backup removed</translation>
    </message>
    <message>
        <source>检查点</source>
        <translation>checkpoint</translation>
    </message>
    <message>
        <source>设置文件</source>
        <translation>settings file</translation>
    </message>
    <message>
        <source>名称 %1</source>
        <translation>name %1</translation>
    </message>
    <message>
        <source>单位 %1</source>
        <translation>unit %1</translation>
    </message>
    <message>
        <source>下限 %1</source>
        <translation>low limit %1</translation>
    </message>
    <message>
        <source>上限 %1</source>
        <translation>high limit %1</translation>
    </message>
    <message>
        <source>%1 未设置</source>
        <translation>%1 not set</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>watch</name>
    <message>
        <source>%1 正被别的命令占用，这一轮没有读取</source>
        <translation>%1 is held by another command: this poll read nothing</translation>
    </message>
    <message>
        <source>“%1”不是时间（如 02:30）</source>
        <translation>&quot;%1&quot; is not a time (e.g. 02:30)</translation>
    </message>
    <message>
        <source>没有 addresses=</source>
        <translation>no addresses=</translation>
    </message>
    <message>
        <source>监视设置文件 %1 有 %2 行无法使用，已略去（%3）</source>
        <translation>The watch settings file %1 has %2 lines that cannot be used; they were left out (%3)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>监视设置文件 %1 %2，未读取</source>
        <translation>The watch settings file %1 %2; it was not read</translation>
    </message>
    <message>
        <source>%1 正被别的命令占用，今天的记录没有下载</source>
        <translation>%1 is held by another command: today&apos;s records were not downloaded</translation>
    </message>
    <message>
        <source>%1：下载记录 %2 条，存入 %3 条%4</source>
        <translation>%1: %2 records downloaded, %3 stored%4</translation>
    </message>
    <message>
        <source>存档的哈希链没有检查：%1</source>
        <translation>The archive&apos;s hash chains were not checked: %1</translation>
    </message>
    <message>
        <source>备份 %1：%2</source>
        <translation>Backup %1: %2</translation>
    </message>
    <message>
        <source>备份 %1 失败：%2</source>
        <translation>Backup %1 failed: %2</translation>
    </message>
    <message>
        <source>不知道哪些报警还没有通知：%1</source>
        <translation>Which alarms nobody was told of cannot be known: %1</translation>
    </message>
    <message>
        <source>存档又能写入了，内存中等待的读数和报警已存入%1</source>
        <translation>The archive can be written again; the readings and alarms kept in memory meanwhile are stored%1</translation>
    </message>
    <message>
        <source>（%1 轮读数因等待太多而丢弃）</source>
        <translation> (%1 polls&apos; readings dropped: too many waiting)</translation>
    </message>
    <message>
        <source>存档无法写入：%1；读数和报警先留在内存中（最多 %2 条），能写入时再存</source>
        <translation>The archive cannot be written: %1; readings and alarms wait in memory (at most %2) until it can</translation>
    </message>
    <message>
        <source>%1：报警 %2 的通知%3</source>
        <translation>%1: the notification of alarm %2 %3</translation>
    </message>
    <message>
        <source>%1 地址 %2 线圈 %3</source>
        <translation>%1 address %2 coil %3</translation>
    </message>
    <message>
        <source>%1 没有接受%2的命令（%3）</source>
        <translation>%1 did not take the command to %2 (%3)</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>switch on</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>switch off</translation>
    </message>
    <message>
        <source>%1 的线路没有打开，开关命令没有发出</source>
        <translation>the line of %1 is not open: the switch was not sent</translation>
    </message>
    <message>
        <source>收到的短信读不出：%1</source>
        <translation>The SMS received cannot be read: %1</translation>
    </message>
    <message>
        <source>收到 %1 的短信，这个号码不在 sms-to= 里，不予理会</source>
        <translation>An SMS from %1, a number not in sms-to=: ignored</translation>
    </message>
    <message>
        <source>收到%1（%2）的短信“%3”，不是“确认 编号”，不予理会</source>
        <translation>An SMS from %1 (%2), &quot;%3&quot;, is not &quot;ACK number&quot;: ignored</translation>
    </message>
    <message>
        <source>应写成“名称@主机”或“名称@主机:端口”，例如 ups@192.168.1.20。</source>
        <translation>Write it as &quot;name@host&quot; or &quot;name@host:port&quot;, e.g. ups@192.168.1.20.</translation>
    </message>
    <message>
        <source>%1 上的 upsd 回答了看不懂的内容：%2</source>
        <translation>upsd on %1 answered something unreadable: %2</translation>
    </message>
    <message>
        <source>与 %1 上的 upsd 的连接断了</source>
        <translation>The connection to upsd on %1 was lost</translation>
    </message>
    <message>
        <source>%1 上的 upsd 没有在 %2 毫秒内回答</source>
        <translation>upsd on %1 did not answer within %2 ms</translation>
    </message>
    <message>
        <source>%1 上的 upsd 没有名为“%2”的 UPS</source>
        <translation>upsd on %1 has no UPS named &quot;%2&quot;</translation>
    </message>
    <message>
        <source>UPS %1 的数据过时了：它的驱动没有按时更新</source>
        <translation>The data of UPS %1 is stale: its driver did not update it in time</translation>
    </message>
    <message>
        <source>upsd 连不上 UPS %1 的驱动</source>
        <translation>upsd cannot reach the driver of UPS %1</translation>
    </message>
    <message>
        <source>%1 上的 upsd 不允许本机读取</source>
        <translation>upsd on %1 does not let this computer read</translation>
    </message>
    <message>
        <source>读取 UPS %1 时 upsd 回答 %2</source>
        <translation>Reading UPS %1, upsd answered %2</translation>
    </message>
    <message>
        <source>找不到 UPS 所在的主机 %1</source>
        <translation>The UPS&apos;s host %1 was not found</translation>
    </message>
    <message>
        <source>%1 上没有 upsd 在听（连接被拒绝）</source>
        <translation>No upsd listens on %1 (connection refused)</translation>
    </message>
    <message>
        <source>%1 在 %2 毫秒内没有接受连接</source>
        <translation>%1 did not accept the connection within %2 ms</translation>
    </message>
    <message>
        <source>连不上 %1 上的 upsd：%2</source>
        <translation>Cannot connect to upsd on %1: %2</translation>
    </message>
    <message>
        <source>没有写 UPS。</source>
        <translation>No UPS given.</translation>
    </message>
    <message>
        <source>“%1”缺少 @ 和 UPS 所在的主机。</source>
        <translation>&quot;%1&quot; lacks the @ and the UPS&apos;s host.</translation>
    </message>
    <message>
        <source>“%1”不是 UPS 的名称和主机。</source>
        <translation>&quot;%1&quot; is not a UPS name and host.</translation>
    </message>
    <message>
        <source>“%1”的端口“%2”不是 1 到 65535 之间的数。</source>
        <translation>The port &quot;%2&quot; of &quot;%1&quot; is not a number from 1 to 65535.</translation>
    </message>
    <message>
        <source>应为四位十六进制数（如 FF00），不能是 0000</source>
        <translation>should be four hexadecimal digits (such as FF00), not 0000</translation>
    </message>
    <message>
        <source>应写明 address= 和 coil=</source>
        <translation>address= and coil= must be given</translation>
    </message>
    <message>
        <source>不知道报警已通知到第几级：%1</source>
        <translation>How far the alarms were escalated cannot be known: %1</translation>
    </message>
    <message>
        <source>不间断电源 %1 读不出：%2</source>
        <translation>UPS %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>不间断电源 %1 在用电池（%2%3）</source>
        <translation>UPS %1 runs on battery (%2%3)</translation>
    </message>
    <message>
        <source>，电量 %1%</source>
        <translation>, charge %1%</translation>
    </message>
    <message>
        <source>短信回复（%1）</source>
        <translation>SMS reply (%1)</translation>
    </message>
    <message>
        <source>%1 用短信确认了报警 %2</source>
        <translation>%1 acknowledged alarm %2 by SMS</translation>
    </message>
    <message>
        <source>%1 的短信确认 %2 未生效：%3</source>
        <translation>The SMS acknowledgement of %2 by %1 did not take: %3</translation>
    </message>
    <message>
        <source>值守程序从 %1 到 %2 没有运行</source>
        <translation>The watcher was not running from %1 to %2</translation>
    </message>
    <message>
        <source>检查点的签名钥匙不能用：%1</source>
        <translation>The checkpoints&apos; signing key cannot be used: %1</translation>
    </message>
    <message>
        <source>过期的旧备份保留着存档里已不再有的行：%1</source>
        <translation>An expired backup holds rows the archive no longer has: %1</translation>
    </message>
    <message>
        <source>检查点没有写成：%1</source>
        <translation>The checkpoint was not written: %1</translation>
    </message>
    <message>
        <source>审计记录未能写入存档：%1</source>
        <translation>The audit trail could not be written to the archive: %1</translation>
    </message>
    <message>
        <source>检查点 %1：%2</source>
        <translation>Checkpoint %1: %2</translation>
    </message>
    <message>
        <source>；值守程序写着的存档已存为 %1</source>
        <translation>; the archive the watcher was writing was saved as %1</translation>
    </message>
    <message>
        <source>；值守程序写着的存档没能另存：%1</source>
        <translation>; the archive the watcher was writing could not be saved: %1</translation>
    </message>
    <message>
        <source>；%1 打不开：%2</source>
        <translation>; %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>存档（%1）不再是值守程序一直写着的那个（%2）：它被换掉了，或删除后重建了</source>
        <translation>The archive (%1) is no longer the one the watcher has been writing (%2): it was replaced, or deleted and made anew</translation>
    </message>
</context>
<context>
    <name>xls</name>
    <message>
        <source>第 %1 行超出了 Excel 97–2003 工作表的范围（最多 %2 行）</source>
        <translation>row %1 is beyond an Excel 97–2003 sheet (at most %2 rows)</translation>
    </message>
    <message>
        <source>第 %1 列超出了 Excel 97–2003 工作表的范围（最多 %2 列）</source>
        <translation>column %1 is beyond an Excel 97–2003 sheet (at most %2 columns)</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列的文字有 %3 个字符，超过了单元格能容纳的 %4 个</source>
        <translation>the text in row %1, column %2 has %3 characters, more than the %4 a cell holds</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列的数值不是有限的数</source>
        <translation>the value in row %1, column %2 is not a finite number</translation>
    </message>
    <message>
        <source>无法建立文件输出</source>
        <translation>cannot set up the file output</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>writing failed</translation>
    </message>
    <message>
        <source>无法写入 Excel 文件 %1：%2</source>
        <translation>Cannot write Excel file %1: %2</translation>
    </message>
</context>
<context>
    <name>xlsx</name>
    <message>
        <source>第 %1 行超出了 Excel 工作表的范围（最多 %2 行）</source>
        <translation>row %1 is beyond an Excel sheet (at most %2 rows)</translation>
    </message>
    <message>
        <source>第 %1 列超出了 Excel 工作表的范围（最多 %2 列）</source>
        <translation>column %1 is beyond an Excel sheet (at most %2 columns)</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列的文字有 %3 个字符，超过了单元格能容纳的 %4 个</source>
        <translation>the text in row %1, column %2 has %3 characters, more than the %4 a cell holds</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列的数值不是有限的数</source>
        <translation>the value in row %1, column %2 is not a finite number</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>写入失败（%1）</source>
        <translation>writing failed (%1)</translation>
    </message>
</context>
</TS>
